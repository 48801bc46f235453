#pragma once

#include "database/ReaderAnswers.h"
#include "database/Readers.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A catalog of our own, served through the real database layer by a stand-in
// for the reader process, for shapes no Access file at hand has. While it
// lives, every database opened through the readers is this catalog,
// whatever its path.
struct FakeTable {
    QString name;
    QList<ColumnDesign> columns;
    QList<KeyDesign> keys;
    QString type = QStringLiteral("TABLE");
    double created = 45000.25;  // 2023-03-15 06:00
    double modified = 45001.75; // 2023-03-16 18:00
};

class FakeCatalog {
public:
    FakeCatalog(std::shared_ptr<Readers> readers, const QList<FakeTable> &tables);
    ~FakeCatalog(); // the reader of before again
    FakeCatalog(const FakeCatalog &) = delete;
    FakeCatalog &operator=(const FakeCatalog &) = delete;

    // A path to open; any other path opens the same catalog.
    QString databasePath() const { return dir_.filePath(QStringLiteral("fake.mdb")); }

private:
    std::shared_ptr<Readers> readers_;
    QString readerBefore_;
    QTemporaryDir dir_;
};
