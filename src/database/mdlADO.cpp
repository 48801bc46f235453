#include "mdlADO.h"

#include "ConnectionString.h"
#include "common/Failure.h"

namespace mdlADO {

std::shared_ptr<Connection> OpenConnectionString(const QString &connectionString)
{
    try {
        auto connection = std::make_shared<Connection>();
        connection->setConnectionString(connectionString);
        connection->Open();
        return connection;
    } catch (const Failure &) {
        return nullptr;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

std::shared_ptr<Connection> OpenAccessConnection(const QString &databasePath)
{
    return OpenConnectionString(BuildConnectionString(databasePath));
}

} // namespace mdlADO
