#include "ui/OutputSettings.h"

#include <QSettings>

namespace {

const QString DescriptionsKey = QStringLiteral("output/descriptions");
const QString DetailsKey = QStringLiteral("output/details");

} // namespace

namespace OutputSettings {

bool WriteDescriptions() {
    return QSettings().value(DescriptionsKey, false).toBool();
}

void SetWriteDescriptions(bool write) {
    QSettings().setValue(DescriptionsKey, write);
}

bool WriteDetails() {
    return QSettings().value(DetailsKey, false).toBool();
}

void SetWriteDetails(bool write) {
    QSettings().setValue(DetailsKey, write);
}

} // namespace OutputSettings
