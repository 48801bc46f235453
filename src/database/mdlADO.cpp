#include "database/mdlADO.h"

#include "database/ConnectionString.h"
#include "database/DatabaseLog.h"

namespace mdlADO {

std::shared_ptr<Connection> OpenConnectionString(const std::shared_ptr<Readers> &readers,
                                                 const QString &connectionString,
                                                 std::optional<Failure> *whyNot) {
    std::optional<Failure> failure;
    try {
        auto connection = std::make_shared<Connection>(readers);
        connection->setConnectionString(connectionString);
        connection->Open();
        return connection;
    } catch (const Failure &e) {
        failure = e;
    } catch (const std::exception &e) {
        failure.emplace(FailureKind::Internal, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        failure.emplace(FailureKind::Internal, QStringLiteral("an unknown failure"));
    }
    try {
        qCWarning(lcDatabase).noquote()
            << QStringLiteral("the open of %1 failed: %2 (%3)")
                   .arg(DataSourceOf(connectionString).value_or(connectionString),
                        failure->reasonOrMessage(), failure->kindName());
    } catch (...) { // a log line that cannot be made is not worth failing for
    }
    if (whyNot)
        *whyNot = std::move(failure);
    return nullptr;
}

std::shared_ptr<Connection> OpenAccessConnection(const std::shared_ptr<Readers> &readers,
                                                 const QString &databasePath,
                                                 std::optional<Failure> *whyNot) {
    return OpenConnectionString(readers, BuildConnectionString(databasePath), whyNot);
}

} // namespace mdlADO
