#pragma once

#include <QString>
#include <memory>

class CatalogReader;
class Readers;

// An open Access database. Opening starts the reader process for the file;
// releasing the last reference to the connection (and to the catalog objects
// taken from it) ends that process. There is no explicit close.
class Connection {
public:
    // Its reader starts as the readers say.
    explicit Connection(std::shared_ptr<Readers> readers);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void setConnectionString(const QString &text) { connectionString_ = text; }
    const QString &ConnectionString() const { return connectionString_; }

    // Opens the database that the connection string names, with an empty
    // user and password. Throws Failure when the string is malformed or the
    // file cannot be read as an unprotected Access database; its reason()
    // says why, and its kind is the reader's (CannotOpen, Protected,
    // Damaged...).
    void Open();
    bool isOpen() const { return reader_ != nullptr; }

    // The reader of the open database, shared with the catalog's tables.
    const std::shared_ptr<CatalogReader> &reader() const { return reader_; }

private:
    std::shared_ptr<Readers> readers_;
    QString connectionString_;
    std::shared_ptr<CatalogReader> reader_;
};
