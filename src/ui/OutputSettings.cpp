#include "ui/OutputSettings.h"

#include <QSettings>

namespace {

const QString DescriptionsKey = QStringLiteral("output/descriptions");

} // namespace

namespace OutputSettings {

bool WriteDescriptions() {
    return QSettings().value(DescriptionsKey, false).toBool();
}

void SetWriteDescriptions(bool write) {
    QSettings().setValue(DescriptionsKey, write);
}

} // namespace OutputSettings
