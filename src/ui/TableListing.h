#pragma once

#include <QList>
#include <QString>
#include <memory>

class Connection;

// The rows of the window's table list for an open database: its user
// tables in catalog order, each with its name and its last-change and
// creation times as the list shows them.
class TableListing {
public:
    struct Row {
        QString name;
        QString modified;
        QString created;
    };

    // Reads the catalog of the connection; throws Failure as the catalog does.
    explicit TableListing(std::shared_ptr<Connection> connection);

    const QList<Row> &rows() const { return rows_; }

private:
    QList<Row> rows_;
};
