// quillmere-fuzz-files [--seed N] [--cases N] [--time-limit-ms N] [FILE|DIRECTORY ...]
//
// Damages copies of Access files in seeded ways and runs each through what
// the program does with a file: the open, the catalog, the table list and
// the generator's Make, whose workbook is written out, and reads what else
// the catalog gives of each table (indexes, relationships, properties).
// Beside damage anywhere, some cases aim at table definitions and property
// lists, whose parts the reader parses itself. Every case must end in
// a listing, a workbook, or a clear failure of the open or of the run, within
// the reader's time limit; the program itself must never crash nor hang (a
// crash ends this harness). Prints a summary as JSON. Without FILE arguments
// it takes the Access files of the test fixtures, and passes with a note when
// there are none.

#include "common/Failure.h"
#include "common/LocaleFreeNumbers.h"
#include "database/Catalog.h"
#include "database/ConnectionString.h"
#include "database/Readers.h"
#include "database/mdlADO.h"
#include "generator/clsOutputTableDesign.h"
#include "spreadsheet/FilePresenter.h"
#include "support/Fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

namespace {

struct Source {
    QString name;
    QByteArray bytes;
    int pageSize = 4096;
    bool jet3 = false;
};

// Where a page keeps what the mutations aim at, by format.
struct Layout {
    int tdefNumRows, tdefNumCols, tdefUsageMap, tdefFreeMap; // table definition page
    int dataRowCount, dataRowOffsets;                        // data page
};
constexpr Layout Jet3Layout{12, 25, 35, 39, 8, 10};
constexpr Layout Jet4Layout{16, 45, 55, 59, 12, 14};
constexpr int CatalogDefinitionPage = 2;

void Put32(QByteArray &b, qsizetype at, quint32 v) {
    for (int i = 0; i < 4 && at + i < b.size(); ++i)
        b[at + i] = char(v >> (8 * i));
}
void Put16(QByteArray &b, qsizetype at, quint16 v) {
    for (int i = 0; i < 2 && at + i < b.size(); ++i)
        b[at + i] = char(v >> (8 * i));
}

// The pages holding the catalog's rows: data pages of the table at page 2.
QList<int> CatalogDataPages(const Source &s) {
    QList<int> pages;
    for (int p = 1; (p + 1) * qsizetype(s.pageSize) <= s.bytes.size(); ++p) {
        const char *page = s.bytes.constData() + qsizetype(p) * s.pageSize;
        quint32 owner = 0;
        memcpy(&owner, page + 4, 4);
        if (page[0] == 0x01 && owner == CatalogDefinitionPage)
            pages << p;
    }
    return pages;
}

// The table definition pages past the catalog's.
QList<int> DefinitionPages(const Source &s) {
    QList<int> pages;
    for (int p = CatalogDefinitionPage + 1; (p + 1) * qsizetype(s.pageSize) <= s.bytes.size(); ++p)
        if (s.bytes[qsizetype(p) * s.pageSize] == 0x02)
            pages << p;
    return pages;
}

// Where property lists start: their signature, "KKD" in Jet 3 and "MR2" later.
QList<qsizetype> PropertyLists(const Source &s) {
    QList<qsizetype> lists;
    const QByteArray signature = s.jet3 ? QByteArray("KKD\0", 4) : QByteArray("MR2\0", 4);
    for (qsizetype at = s.bytes.indexOf(signature); at >= 0;
         at = s.bytes.indexOf(signature, at + 1))
        lists << at;
    return lists;
}

// Where the list that starts at `at` ends, as its chunks' lengths say, but
// no further than its page: a list kept in a catalog row ends in that row,
// and damage past it would be the catalog's.
qsizetype PropertyListEnd(const Source &s, qsizetype at) {
    const qsizetype pageEnd = (at / s.pageSize + 1) * s.pageSize;
    qsizetype end = at + 4;
    while (end + 6 <= pageEnd) {
        quint32 length = 0;
        quint16 kind = 0;
        memcpy(&length, s.bytes.constData() + end, 4);
        memcpy(&kind, s.bytes.constData() + end + 4, 2);
        if (length < 6 || (kind > 2 && kind != 0x80) || end + length > pageEnd)
            break;
        end += length;
    }
    return end;
}

// Bytes flipped in, or zeros from a point on, within [from, to).
QString FlipOrCut(QByteArray &b, qsizetype from, qsizetype to, QRandomGenerator &random) {
    to = std::min(to, b.size());
    if (to <= from)
        return QStringLiteral("nothing to damage");
    if (random.bounded(2)) {
        const int count = 1 + random.bounded(8);
        for (int i = 0; i < count; ++i)
            b[random.bounded(from, to)] = char(random.bounded(256));
        return QStringLiteral("%1 bytes flipped").arg(count);
    }
    const qsizetype at = random.bounded(from, to);
    b.replace(at, to - at, QByteArray(to - at, '\0'));
    return QStringLiteral("cut at %1").arg(at - from);
}

// One seeded damage; returns its description.
QString Damage(const Source &s, QByteArray &b, QRandomGenerator &random) {
    const Layout layout = s.jet3 ? Jet3Layout : Jet4Layout;
    const int pages = int(b.size() / s.pageSize);
    switch (random.bounded(7)) {
    case 5: { // a table definition, where its columns and indexes are
        const QList<int> definitions = DefinitionPages(s);
        if (definitions.isEmpty())
            return QStringLiteral("no table definition");
        const int page = definitions[random.bounded(definitions.size())];
        const qsizetype start = qsizetype(page) * s.pageSize;
        return QStringLiteral("table definition at page %1: %2")
            .arg(page)
            .arg(FlipOrCut(b, start + layout.tdefNumCols, start + s.pageSize, random));
    }
    case 6: { // a property list
        const QList<qsizetype> lists = PropertyLists(s);
        if (lists.isEmpty())
            return QStringLiteral("no property list");
        const qsizetype at = lists[random.bounded(lists.size())];
        return QStringLiteral("property list at byte %1: %2")
            .arg(at)
            .arg(FlipOrCut(b, at + 4, PropertyListEnd(s, at), random));
    }
    case 0: { // bytes flipped in the first 64 pages
        const qsizetype span = std::min<qsizetype>(b.size(), 64 * qsizetype(s.pageSize));
        const int count = 1 + random.bounded(16);
        for (int i = 0; i < count; ++i)
            b[random.bounded(span)] = char(random.bounded(256));
        return QStringLiteral("%1 bytes flipped").arg(count);
    }
    case 1: { // cut at a page boundary
        const int keep = 1 + random.bounded(std::max(1, pages - 1));
        b.truncate(qsizetype(keep) * s.pageSize);
        return QStringLiteral("cut after page %1").arg(keep);
    }
    case 2: { // cut anywhere
        const qsizetype keep = 1 + random.bounded(b.size() - 1);
        b.truncate(keep);
        return QStringLiteral("cut at byte %1").arg(keep);
    }
    case 3: { // a page number of the catalog corrupted
        const qsizetype tdef = qsizetype(CatalogDefinitionPage) * s.pageSize;
        const quint32 value = random.bounded(2) ? random.bounded(pages + 8) : random.generate();
        const QList<int> data = CatalogDataPages(s);
        switch (random.bounded(4)) {
        case 0:
            Put32(b, tdef + 4, value);
            return QStringLiteral("catalog definition continues at %1").arg(value);
        case 1:
            Put32(b, tdef + layout.tdefUsageMap, value);
            return QStringLiteral("catalog usage map at %1").arg(value);
        case 2:
            Put32(b, tdef + layout.tdefFreeMap, value);
            return QStringLiteral("catalog free map at %1").arg(value);
        default:
            if (data.isEmpty())
                return QStringLiteral("no catalog data page");
            Put32(b, qsizetype(data[random.bounded(data.size())]) * s.pageSize + 4, value);
            return QStringLiteral("catalog data page owned by %1").arg(value);
        }
    }
    default: { // a length or count of the catalog corrupted
        const qsizetype tdef = qsizetype(CatalogDefinitionPage) * s.pageSize;
        const quint16 value =
            random.bounded(2) ? quint16(random.bounded(0x10000)) : quint16(random.bounded(64));
        const QList<int> data = CatalogDataPages(s);
        switch (random.bounded(4)) {
        case 0:
            Put16(b, tdef + layout.tdefNumCols, value);
            return QStringLiteral("catalog has %1 columns").arg(value);
        case 1:
            Put32(b, tdef + layout.tdefNumRows, value);
            return QStringLiteral("catalog has %1 rows").arg(value);
        default: {
            if (data.isEmpty())
                return QStringLiteral("no catalog data page");
            const qsizetype page = qsizetype(data[random.bounded(data.size())]) * s.pageSize;
            if (random.bounded(2)) {
                Put16(b, page + layout.dataRowCount, value);
                return QStringLiteral("catalog page holds %1 rows").arg(value);
            }
            const int row = random.bounded(8);
            Put16(b, page + layout.dataRowOffsets + 2 * row, value);
            return QStringLiteral("catalog row %1 starts at %2").arg(row).arg(value);
        }
        }
    }
    }
}

QList<Source> LoadSources(const QStringList &arguments) {
    QStringList files;
    for (const QString &a : arguments) {
        if (QFileInfo(a).isDir()) {
            for (const QString &f :
                 QDir(a).entryList({"*.mdb", "*.accdb"}, QDir::Files, QDir::Name))
                files << QDir(a).filePath(f);
        } else if (QFileInfo::exists(a)) {
            files << a;
        }
    }
    QList<Source> sources;
    for (const QString &f : files) {
        QFile file(f);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        Source s;
        s.name = QFileInfo(f).fileName();
        s.bytes = file.readAll();
        s.jet3 = s.bytes.size() > 0x14 && s.bytes[0x14] == 0;
        s.pageSize = s.jet3 ? 2048 : 4096;
        if (s.bytes.size() >= 3 * s.pageSize)
            sources << s;
    }
    return sources;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    UseLocaleFreeNumbers(); // Qt took the whole locale from the environment
    QStringList args = app.arguments().mid(1);
    auto option = [&args](const QString &name, int fallback) {
        const qsizetype at = args.indexOf(name);
        if (at < 0 || at + 1 >= args.size())
            return fallback;
        const int value = args[at + 1].toInt();
        args.remove(at, 2);
        return value;
    };
    const int seed = option("--seed", 1);
    const int cases = option("--cases", 200);
    const int timeLimitMs = option("--time-limit-ms", 20000);
    if (args.isEmpty() && !Fixtures::directory().isEmpty())
        args << Fixtures::directory();
    const QList<Source> sources = LoadSources(args);
    if (sources.isEmpty()) {
        std::printf(
            "{\"skipped\":\"no Access files to damage (the fixtures are not available)\"}\n");
        return 0;
    }

    QTemporaryDir dir;
    const QString damaged = dir.filePath("damaged.mdb");
    auto presenter = std::make_shared<spreadsheet::FilePresenter>(dir.filePath("workbook.xlsx"));
    const Services services = Services().presentingTo(presenter);
    services.readers->settings.timeLimit = std::chrono::milliseconds(timeLimitMs);

    QRandomGenerator random(static_cast<quint32>(seed));
    int opened = 0, openFailed = 0, listedTables = 0, runsCompleted = 0, runsFailed = 0;
    int factsRead = 0, factsFailed = 0;
    qint64 slowestMs = 0;
    QString slowest;
    for (int n = 0; n < cases; ++n) {
        const Source &source = sources[random.bounded(sources.size())];
        QByteArray bytes = source.bytes;
        const QString damage = Damage(source, bytes, random);
        QFile out(damaged);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(bytes) != bytes.size())
            return 3;
        out.close();

        QElapsedTimer timer;
        timer.start();
        QStringList tables;
        if (auto connection = mdlADO::OpenAccessConnection(services.readers, damaged)) {
            ++opened;
            Catalog catalog;
            catalog.setActiveConnection(connection);
            tables = catalog.UserTableNames();
            listedTables += tables.size();
            try {
                clsOutputTableDesign generator(services);
                for (const QString &t : tables)
                    generator.AddTable(t);
                generator.setConnectionString(mdlADO::BuildConnectionString(damaged));
                generator.Make();
                ++runsCompleted;
            } catch (const Failure &) {
                ++runsFailed;
            }
            for (const QString &name : tables) {
                try {
                    const Table &t = catalog.Tables().Item(name);
                    qsizetype facts = t.Indexes().Count() + t.Relationships().Count() +
                                      t.Properties().Count() + t.Description().size();
                    for (const Column &c : t.Columns())
                        facts += c.Properties().Count();
                    for (const Index &i : t.Indexes())
                        facts += i.Columns().Count();
                    ++factsRead;
                    (void)facts;
                } catch (const Failure &) {
                    ++factsFailed;
                }
            }
        } else {
            ++openFailed;
        }
        if (timer.elapsed() > slowestMs) {
            slowestMs = timer.elapsed();
            slowest = QStringLiteral("%1, %2").arg(source.name, damage);
        }
    }

    const Readers::Statistics &readers = services.readers->statistics;
    // A case may wait for the time limit once per reader answer; more than
    // a few limits means something waited without a bound.
    const bool bounded = slowestMs < 4 * qint64(timeLimitMs);
    const QJsonObject summary{{"seed", seed},
                              {"cases", cases},
                              {"opened", opened},
                              {"openFailed", openFailed},
                              {"tablesListed", listedTables},
                              {"runsCompleted", runsCompleted},
                              {"runsFailed", runsFailed},
                              {"tablesWithFactsRead", factsRead},
                              {"tablesWithFactsFailed", factsFailed},
                              {"workbooksWritten", int(presenter->written().size())},
                              {"readerCrashesContained", readers.crashed},
                              {"readerHangsCutOff", readers.timedOut},
                              {"readerOtherFailures", readers.failed},
                              {"programCrashes", 0},
                              {"slowestCaseMs", slowestMs},
                              {"slowestCase", slowest},
                              {"timeLimitMs", timeLimitMs}};
    std::printf("%s\n", QJsonDocument(summary).toJson(QJsonDocument::Compact).constData());
    return bounded && presenter->failures().empty() ? 0 : 1;
}
