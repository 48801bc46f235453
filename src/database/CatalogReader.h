#pragma once

#include "common/Failure.h"
#include "common/PoolTask.h"
#include "database/ReaderAnswers.h"
#include "database/Readers.h"

#include <QHash>
#include <QProcess>
#include <QString>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

// One running reader process (quillmere-reader) for one open database. The
// program never parses an Access file itself: the reader does, in a process
// that may crash or hang on a damaged file without taking the program along.
// Every answer must arrive within the time limit, or the reader is killed.
class CatalogReader {
public:
    // A reader for the file with its catalog read; nullptr when the file
    // cannot be opened, or the reader refuses it, dies, answers garbage or
    // takes too long. whyNot, when given, then says why, in the reader's
    // words ("the database is protected by a password") and with the kind
    // the reader gave. What the reader wrote to its standard error goes to
    // the log (quillmere.database) when it fails or ends.
    //
    // The file is opened here, by the exact bytes of its name, and the reader
    // reads that open file: it never looks the name up again, so it reads
    // the file the user named, even when the name is not valid UTF-8 or is
    // given to another file meanwhile.
    //
    // The reader starts and waits as the readers' settings say, decodes on
    // their workers and counts its failure in their statistics.
    static std::shared_ptr<CatalogReader> open(std::shared_ptr<Readers> readers,
                                               const QString &databasePath,
                                               std::optional<Failure> *whyNot = nullptr);

    CatalogReader(const CatalogReader &) = delete;
    CatalogReader &operator=(const CatalogReader &) = delete;
    ~CatalogReader(); // ends the reader process

    const std::vector<CatalogEntry> &entries() const { return entries_; }

    // The columns and keys of the entry with this id; nothing when the reader
    // cannot give them, and failure() says why. After a reader has failed
    // once, it answers nothing.
    std::optional<TableDesign> design(qint64 id);
    const std::optional<Failure> &failure() const { return failure_; }

    // The order designs will be asked for. The reader is then asked a few
    // tables ahead, so that it reads the next while the caller works on the
    // last; asking in another order still gives every design, only slower.
    void setReadingOrder(const std::vector<qint64> &ids);

private:
    explicit CatalogReader(std::shared_ptr<Readers> readers) : readers_(std::move(readers)) {}
    static std::unique_ptr<CatalogReader> start(std::shared_ptr<Readers> readers, int file,
                                                const QString &databasePath,
                                                std::optional<Failure> *whyNot);

    std::optional<QByteArray> readAnswer();
    enum class Fault { Ended, TimedOut, BadAnswer, TooLong, Refused };
    void fail(Fault fault, const std::optional<Failure> &refusal = std::nullopt);
    void failAnswer(const std::optional<Failure> &refusal);
    void stop();
    void logErrorOutput() noexcept;

    // A design answer decoded: the design, or why the reader cannot give it
    // (nothing when the answer is malformed).
    struct DecodedTable {
        std::optional<TableDesign> design;
        std::optional<Failure> refusal;
    };
    static DecodedTable decodeTable(const QByteArray &line);

    // A request sent: its answer not yet read, or being decoded.
    struct Request {
        qint64 id;
        std::optional<PoolTask<DecodedTable>> decoded;
    };
    void ask(qint64 id);
    void decodeArrivedAnswers();

    const std::shared_ptr<Readers> readers_;
    QProcess process_;
    // The reader's standard error: the end of a pipe of its own, which the
    // reader never waits on (see start).
    int errorOutput_ = -1;
    QString databasePath_; // as the log names the file
    std::vector<CatalogEntry> entries_;
    bool failed_ = false;
    std::optional<Failure> failure_;
    std::deque<Request> asked_; // in the order sent, which is the order answered
    std::vector<qint64> readingOrder_;
    QHash<qint64, size_t> placeInOrder_;
};
