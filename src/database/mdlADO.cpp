#include "database/mdlADO.h"

#include "common/Failure.h"
#include "database/ConnectionString.h"

namespace mdlADO {

std::shared_ptr<Connection> OpenConnectionString(const std::shared_ptr<Readers> &readers,
                                                 const QString &connectionString, QString *whyNot) {
    try {
        auto connection = std::make_shared<Connection>(readers);
        connection->setConnectionString(connectionString);
        connection->Open();
        return connection;
    } catch (const Failure &e) {
        if (whyNot)
            *whyNot = e.reason().isEmpty() ? e.message() : e.reason();
    } catch (const std::exception &e) {
        if (whyNot)
            *whyNot = QString::fromLocal8Bit(e.what());
    } catch (...) {
        if (whyNot)
            *whyNot = QStringLiteral("an unknown failure");
    }
    return nullptr;
}

std::shared_ptr<Connection> OpenAccessConnection(const std::shared_ptr<Readers> &readers,
                                                 const QString &databasePath, QString *whyNot) {
    return OpenConnectionString(readers, BuildConnectionString(databasePath), whyNot);
}

} // namespace mdlADO
