#include "CatalogReader.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

namespace {

QString ReaderExecutable()
{
    const QString configured = CatalogReader::settings().executable;
    if (!configured.isEmpty())
        return configured;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quillmere-reader"));
}

} // namespace

CatalogReader::Settings &CatalogReader::settings()
{
    static Settings s;
    return s;
}

CatalogReader::Statistics &CatalogReader::statistics()
{
    static Statistics s;
    return s;
}

std::unique_ptr<CatalogReader> CatalogReader::start(const QString &databasePath)
{
    if (databasePath.isEmpty())
        return nullptr;
    std::unique_ptr<CatalogReader> reader(new CatalogReader);
    QProcess &p = reader->process_;
    p.setProgram(ReaderExecutable());
    p.setArguments({databasePath});
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(QIODevice::ReadWrite);
    if (!p.waitForStarted(static_cast<int>(settings().timeLimit.count())))
        return nullptr;

    const auto answer = reader->readAnswer();
    if (!answer)
        return nullptr;
    auto entries = DecodeCatalogAnswer(*answer);
    if (!entries) {
        reader->fail(Fault::BadAnswer);
        return nullptr;
    }
    reader->entries_ = std::move(*entries);
    return reader;
}

CatalogReader::~CatalogReader()
{
    stop();
    decoders_.waitForDone();
}

void CatalogReader::stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    // The reader ends by itself when its input closes; one that is stuck in
    // a damaged file, or still answering questions asked ahead, does not
    // at once, and holds nothing worth waiting for.
    process_.closeWriteChannel();
    if (!asked_.empty() || !process_.waitForFinished(200)) {
        process_.kill();
        process_.waitForFinished(-1);
    }
}

std::optional<QByteArray> CatalogReader::readAnswer()
{
    const QDeadlineTimer deadline(settings().timeLimit);
    while (!process_.canReadLine()) {
        if (process_.state() != QProcess::Running ||
            !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            // One last look: the answer may have come with the exit.
            if (process_.canReadLine())
                break;
            fail(process_.state() == QProcess::Running ? Fault::TimedOut : Fault::Ended);
            return std::nullopt;
        }
    }
    return process_.readLine();
}

// Ends the reader for good and counts how it went wrong.
void CatalogReader::fail(Fault fault)
{
    failed_ = true;
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(-1);
    }
    Statistics &counts = statistics();
    if (fault == Fault::TimedOut)
        ++counts.timedOut;
    else if (fault == Fault::Ended && process_.exitStatus() == QProcess::CrashExit)
        ++counts.crashed;
    else
        ++counts.failed;
}

namespace {
constexpr size_t AskAhead = 4;
} // namespace

void CatalogReader::setReadingOrder(const std::vector<qint64> &ids)
{
    readingOrder_ = ids;
    placeInOrder_.clear();
    for (size_t i = 0; i < ids.size(); ++i)
        placeInOrder_.insert(ids[i], i);
}

void CatalogReader::ask(qint64 id)
{
    process_.write(QByteArray::number(id) + '\n');
    asked_.push_back({id, std::nullopt});
}

// Hands every answer already in the pipe to a decoder, without waiting.
void CatalogReader::decodeArrivedAnswers()
{
    for (Request &request : asked_) {
        if (request.decoded)
            continue;
        if (!process_.canReadLine())
            return;
        auto promise = std::make_shared<std::promise<std::optional<TableDesign>>>();
        request.decoded = promise->get_future();
        decoders_.start([promise, line = process_.readLine()] { promise->set_value(DecodeTableAnswer(line)); });
    }
}

std::optional<TableDesign> CatalogReader::design(qint64 id)
{
    if (failed_ || process_.state() != QProcess::Running)
        return std::nullopt;
    // Answers come in the order asked: pass over those asked ahead in vain.
    while (!asked_.empty() && asked_.front().id != id) {
        const bool read = asked_.front().decoded.has_value();
        asked_.pop_front();
        if (!read && !readAnswer())
            return std::nullopt;
    }
    if (asked_.empty())
        ask(id);
    if (const auto place = placeInOrder_.constFind(id); place != placeInOrder_.cend()) {
        size_t next = placeInOrder_.value(asked_.back().id, *place) + 1;
        while (asked_.size() < AskAhead + 1 && next < readingOrder_.size())
            ask(readingOrder_[next++]);
    }

    Request request = std::move(asked_.front());
    asked_.pop_front();
    std::optional<TableDesign> design;
    if (request.decoded) {
        design = request.decoded->get();
    } else {
        const auto answer = readAnswer();
        if (!answer)
            return std::nullopt;
        design = DecodeTableAnswer(*answer);
    }
    if (!design) {
        fail(Fault::BadAnswer);
        return std::nullopt;
    }
    decodeArrivedAnswers();
    return design;
}
