#include "database/CatalogReader.h"

#include "common/RegularFile.h"
#include "common/SystemError.h"
#include "database/DatabaseLog.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

QString ReaderExecutable(const Readers::Settings &settings) {
    const QString configured = settings.executable;
    if (!configured.isEmpty())
        return configured;
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QStringLiteral("quillmere-reader"));
}

// Why a reader did not start when QProcess cannot tell: it reports a failure
// to make its pipes (too many open files) as a missing program. The pipes
// a start needs, made and given back: the error of the first that cannot be
// made, or 0.
int PipeShortage() {
    int pipes[4][2];
    int made = 0, error = 0;
    for (; made < 4; ++made) {
        if (pipe2(pipes[made], O_CLOEXEC) != 0) {
            error = errno;
            break;
        }
    }
    while (made-- > 0) {
        close(pipes[made][0]);
        close(pipes[made][1]);
    }
    return error;
}

// Why the program would not start, in the user's words where the system
// tells: missing or not executable; QProcess's own words otherwise.
QString StartProblem(const QString &program, const QString &qtWords) {
    if (access(QFile::encodeName(program).constData(), X_OK) != 0)
        return SystemError(errno);
    return qtWords;
}

} // namespace

std::shared_ptr<CatalogReader> CatalogReader::open(std::shared_ptr<Readers> readers,
                                                   const QString &databasePath,
                                                   std::optional<Failure> *whyNot) {
    // Open for the time the reader takes to start.
    const OpenRegularFile file(databasePath);
    if (file.problem()) {
        if (whyNot)
            *whyNot = file.problem();
        return nullptr;
    }
    return start(std::move(readers), file.fd(), databasePath, whyNot);
}

std::unique_ptr<CatalogReader> CatalogReader::start(std::shared_ptr<Readers> readers, int fd,
                                                    const QString &databasePath,
                                                    std::optional<Failure> *whyNot) {
    const auto failed = [whyNot](const Failure &why) -> std::unique_ptr<CatalogReader> {
        if (whyNot)
            *whyNot = why;
        return nullptr;
    };
    const auto notStarted = [&failed](const QString &program, const QString &why) {
        return failed(
            Failure(FailureKind::Internal,
                    QStringLiteral("読み取りプロセス %1 を起動できません: %2").arg(program, why)));
    };
    std::unique_ptr<CatalogReader> reader(new CatalogReader(std::move(readers)));
    reader->databasePath_ = databasePath;
    const Readers::Settings &settings = reader->readers_->settings;
    QProcess &p = reader->process_;
    p.setProgram(ReaderExecutable(settings));
    // The reader opens the file again through this process's descriptor: the
    // same file, whatever its name names by now.
    p.setArguments({QStringLiteral("/proc/self/fd/%1").arg(fd)});
    // Its standard error, where libmdb tells what it found wrong in a file,
    // goes into a pipe of its own, read for the log once the reader has
    // failed or ended. The reader never waits on that pipe: writing into a
    // full one fails at once, and what does not fit is lost, where QProcess's
    // channel would hold all a reader writes in this process's memory.
    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return notStarted(p.program(), SystemError(errno));
    reader->errorOutput_ = errorPipe[0];
    const int errorInput = errorPipe[1];
    // QProcess gives the reader this process's standard error, which the
    // modifier replaces.
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const pid_t parent = getpid();
    p.setChildProcessModifier([fd, errorInput, parent] {
        // In the new process, before the reader runs: it inherits the file
        // and its standard error, and it dies with this process. A parent
        // that died before the death signal was set would never send it;
        // then end at once.
        fcntl(fd, F_SETFD, 0);
        dup2(errorInput, STDERR_FILENO);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
    });
    p.start(QIODevice::ReadWrite);
    close(errorInput); // the reader's own now, or no one's
    if (!p.waitForStarted(static_cast<int>(settings.timeLimit.count()))) {
        const int shortage = PipeShortage();
        return notStarted(p.program(), shortage ? SystemError(shortage)
                                                : StartProblem(p.program(), p.errorString()));
    }

    const auto answer = reader->readAnswer();
    if (!answer)
        return failed(*reader->failure_);
    auto entries = DecodeCatalogAnswer(*answer);
    if (!entries) {
        reader->failAnswer(DecodeErrorAnswer(*answer));
        return failed(*reader->failure_);
    }
    reader->entries_ = std::move(*entries);
    return reader;
}

CatalogReader::~CatalogReader() {
    stop();
    logErrorOutput();
    if (errorOutput_ >= 0)
        close(errorOutput_);
}

namespace {
// Of what a reader wrote to its standard error, the log keeps this much:
// the first lines tell what went wrong first.
constexpr qsizetype MaxLoggedErrorOutput = 8192;
} // namespace

// What the reader wrote to its standard error since this was last called,
// as far as the pipe held it, into the log. Never throws: it runs as the
// reader ends.
void CatalogReader::logErrorOutput() noexcept {
    if (errorOutput_ < 0)
        return;
    try {
        QByteArray text;
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(errorOutput_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            if (text.size() <= MaxLoggedErrorOutput)
                text.append(buffer, n);
        }
        if (text.size() > MaxLoggedErrorOutput)
            text = text.left(MaxLoggedErrorOutput) + "…";
        text = text.trimmed();
        if (!text.isEmpty())
            qCWarning(lcDatabase).noquote()
                << QStringLiteral("the reader of %1 wrote: %2")
                       .arg(databasePath_, QString::fromLocal8Bit(text));
    } catch (...) {
    }
}

void CatalogReader::stop() {
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

namespace {
// Far above any answer: the catalog of 5,000 tables is 1 MB.
constexpr qint64 MaxAnswerBytes = qint64{64} << 20;
} // namespace

std::optional<QByteArray> CatalogReader::readAnswer() {
    // The whole answer within the time limit, however steadily the reader
    // writes: waitForReadyRead() returns at every byte that comes, and a
    // reader writing without end would otherwise never be cut off.
    const QDeadlineTimer deadline(readers_->settings.timeLimit);
    while (!process_.canReadLine()) {
        if (process_.bytesAvailable() > MaxAnswerBytes) {
            fail(Fault::TooLong);
            return std::nullopt;
        }
        if (process_.state() != QProcess::Running || deadline.hasExpired() ||
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

// Ends the reader for good, keeps why and counts how it went wrong. A
// reader that dies or hangs is a failure of its own (libmdb may crash on a
// damaged file, but also for want of memory); an answer that is none is a
// damaged answer.
void CatalogReader::fail(Fault fault, const std::optional<Failure> &refusal) {
    failed_ = true;
    const bool crashed = fault == Fault::Ended && process_.exitStatus() == QProcess::CrashExit;
    switch (fault) {
    case Fault::TimedOut:
        failure_.emplace(FailureKind::Internal,
                         QStringLiteral("読み取りプロセスが %1 秒以内に応答しません")
                             .arg(readers_->settings.timeLimit.count() / 1000.0));
        break;
    case Fault::Ended:
        failure_.emplace(
            FailureKind::Internal,
            crashed ? QStringLiteral("読み取りプロセスが異常終了しました")
                    : QStringLiteral("読み取りプロセスが応答せずに終了しました（終了コード %1）")
                          .arg(process_.exitCode()));
        break;
    case Fault::BadAnswer:
        failure_.emplace(FailureKind::Damaged, QStringLiteral("読み取りプロセスの応答が不正です"));
        break;
    case Fault::TooLong:
        failure_.emplace(FailureKind::Damaged,
                         QStringLiteral("読み取りプロセスの応答が %1 MiB を超えています")
                             .arg(MaxAnswerBytes >> 20));
        break;
    case Fault::Refused:
        failure_ = refusal;
        break;
    }
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(-1);
    }
    logErrorOutput();
    Readers::Statistics &counts = readers_->statistics;
    if (fault == Fault::TimedOut)
        ++counts.timedOut;
    else if (crashed)
        ++counts.crashed;
    else
        ++counts.failed;
}

// An answer that is not the one asked for: the reader's refusal, or garbage.
void CatalogReader::failAnswer(const std::optional<Failure> &refusal) {
    fail(refusal ? Fault::Refused : Fault::BadAnswer, refusal);
}

namespace {
constexpr size_t AskAhead = 4;
} // namespace

void CatalogReader::setReadingOrder(const std::vector<qint64> &ids) {
    readingOrder_ = ids;
    placeInOrder_.clear();
    for (size_t i = 0; i < ids.size(); ++i)
        placeInOrder_.insert(ids[i], i);
}

void CatalogReader::ask(qint64 id) {
    process_.write(QByteArray::number(id) + '\n');
    asked_.push_back({id, std::nullopt});
}

// Hands every answer already in the pipe to a decoder, without waiting.
void CatalogReader::decodeArrivedAnswers() {
    for (Request &request : asked_) {
        if (request.decoded)
            continue;
        // Without an event loop, what the reader wrote stays in the pipe
        // until it is asked for; taken now, its decoding overlaps the
        // caller's work instead of holding up the next design.
        if (!process_.canReadLine() && !(process_.waitForReadyRead(0) && process_.canReadLine()))
            return;
        // On the program's workers: they start once, not once per reader.
        // The work holds what it decodes and nothing of the reader.
        request.decoded.emplace(readers_->workers(),
                                [line = process_.readLine()] { return decodeTable(line); });
    }
}

CatalogReader::DecodedTable CatalogReader::decodeTable(const QByteArray &line) {
    DecodedTable decoded;
    decoded.design = DecodeTableAnswer(line);
    if (!decoded.design)
        decoded.refusal = DecodeErrorAnswer(line);
    return decoded;
}

std::optional<TableDesign> CatalogReader::design(qint64 id) {
    if (failed_)
        return std::nullopt;
    if (process_.state() != QProcess::Running) {
        fail(Fault::Ended);
        return std::nullopt;
    }
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
    DecodedTable decoded;
    if (request.decoded) {
        decoded = request.decoded->take();
    } else {
        const auto answer = readAnswer();
        if (!answer)
            return std::nullopt;
        decoded = decodeTable(*answer);
    }
    if (!decoded.design) {
        // A reader that cannot read one table is not asked again.
        failAnswer(decoded.refusal);
        return std::nullopt;
    }
    decodeArrivedAnswers();
    return std::move(decoded.design);
}
