#include "database/Connection.h"

#include "common/Failure.h"
#include "database/CatalogReader.h"
#include "database/ConnectionString.h"

Connection::Connection(std::shared_ptr<Readers> readers) : readers_(std::move(readers)) {}
Connection::~Connection() = default;

void Connection::Open() {
    if (reader_)
        throw Failure(FailureKind::Internal, QStringLiteral("接続は既に開いています。"));
    // The program builds every connection string it opens.
    const auto path = mdlADO::DataSourceOf(connectionString_);
    if (!path)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("接続文字列を解釈できません: %1").arg(connectionString_));
    std::optional<Failure> why;
    reader_ = CatalogReader::open(readers_, *path, &why);
    if (!reader_)
        throw Failure(QStringLiteral("データベース「%1」を開けません。").arg(*path),
                      why.value_or(Failure(FailureKind::Internal, QString())));
}
