#include "support/UserTables.h"

#include "database/Catalog.h"
#include "database/mdlADO.h"

QStringList UserTables(const std::shared_ptr<Readers> &readers, const QString &path) {
    const auto connection = mdlADO::OpenAccessConnection(readers, path);
    if (!connection)
        return {QStringLiteral("(does not open)")};
    Catalog catalog;
    catalog.setActiveConnection(connection);
    return catalog.UserTableNames();
}
