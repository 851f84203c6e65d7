#include "cli/Headless.h"

#include "cli/Startup.h"
#include "platform/MainThread.h"
#include "platform/SystemLog.h"
#include "publish/MqttPublisher.h"
#include "reading/ReadingRecord.h"
#include "reading/StatusWords.h"
#include "sensor/SensorProfile.h"
#include "sensor/StatusCodes.h"
#include "sensor/VellLumo.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <utility>
#include <vector>

namespace {
// SIGINT, SIGTERM and SIGHUP write one byte to this pipe, all that a handler may safely do; the
// main loop reads it.
int stopPipe[2] = {-1, -1};

void onStopSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopPipe[1], &byte, 1);
    errno = saved;
}

bool installStopSignals() {
    if (::pipe(stopPipe) != 0) return false;
    for (const int fd : stopPipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);  // the handler never blocks
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0 &&
           ::sigaction(SIGHUP, &action, nullptr) == 0;
}

void removeStopSignals() {
    // The run is over: a late signal changes nothing about how it ended.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);
    for (int& fd : stopPipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

QJsonValue stamp(const QDateTime& at) {
    return at.toUTC().toString(Qt::ISODateWithMs);  // 2026-12-06T07:07:35.123Z
}

// One object on one line, its keys in the order given (a QJsonObject would sort them): people
// read these lines too. QJsonDocument escapes each pair.
using Fields = std::vector<std::pair<const char*, QJsonValue>>;

QByteArray jsonLine(const Fields& fields) {
    QByteArray line("{");
    for (const auto& [key, value] : fields) {
        if (line.size() > 1) line += ',';
        const QByteArray pair = QJsonDocument(QJsonObject{{QString::fromLatin1(key), value}})
                                    .toJson(QJsonDocument::Compact);
        line += pair.mid(1, pair.size() - 2);  // without the braces
    }
    return line += "}\n";
}

Fields readingFields(const QByteArray& record, const ReadingRecord::Fields& fields) {
    return {{"temperature", fields.temperature.trimmed()},
            {"humidity", fields.humidity.trimmed()},
            {"record", QString::fromLatin1(record)}};
}

Fields rejectedFields(const QByteArray& record, qint64 length) {
    // As much as the log shows; "length" tells the rest.
    return {{"rejected", QString::fromLatin1(record.left(ReadingRecord::kLoggedBytes).toHex())},
            {"length", length}};
}

// Whether the file behind fd ends in the middle of a line, left by a run that stopped while
// writing it (a full disk). Asked only of a regular file that is appended to.
bool endsWithoutNewline(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) return false;
    const bool appending =
        (::fcntl(fd, F_GETFL) & O_APPEND) != 0 || ::lseek(fd, 0, SEEK_CUR) == info.st_size;
    if (!appending) return false;
    char last = '\n';
    // ">>" opens for writing only; the file's own path reads it.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    const int reader = ::open(self.constData(), O_RDONLY | O_CLOEXEC);
    const int from = reader >= 0 ? reader : fd;
    const bool read = ::pread(from, &last, 1, info.st_size - 1) == 1;
    if (reader >= 0) ::close(reader);
    return read && last != '\n';
}
}  // namespace

bool Headless::hasOutput() {
    return ::fcntl(STDOUT_FILENO, F_GETFD) != -1;
}

int Headless::run(QCoreApplication& app, const Options& options) {
    Headless headless(options);
    if (!headless.start()) {
        std::fputs("vell-thermo: cannot start the sensor link.\n", stderr);
        return 1;
    }
    return app.exec();
}

Headless::Headless(const Options& runOptions)
    : options(runOptions), device(SensorProfile::chosen().address) {}

Headless::~Headless() {
    link.reset();       // no callback runs once the link is gone
    publisher.reset();  // says "offline" and hands over what is queued
    stopRequested.reset();
    readerGone.reset();
    removeStopSignals();
    if (outputFlags >= 0) ::fcntl(STDOUT_FILENO, F_SETFL, outputFlags);  // shared with others
}

bool Headless::start() {
    // A reader that goes away shows as EPIPE from write(), not as a signal that kills.
    std::signal(SIGPIPE, SIG_IGN);
    if (!installStopSignals()) return false;
    stopRequested = std::make_unique<QSocketNotifier>(stopPipe[0], QSocketNotifier::Read);
    connect(stopRequested.get(), &QSocketNotifier::activated, this, [this] {
        stopRequested->setEnabled(false);
        finish(0);
    });
    watchReader();
    makeOutputNonBlocking();
    // The next run appends after a whole line, whatever the last one left.
    if (endsWithoutNewline(STDOUT_FILENO) && write("\n") != Written::Done) return false;
    if (options.timeoutSet) {
        deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
        QTimer::singleShot(std::chrono::seconds(options.timeoutSeconds), Qt::PreciseTimer, this,
                           [this] { finish(0); });
    }
    if (!options.mqttUrl.isEmpty()) {
        publisher = std::make_unique<MqttPublisher>(Startup::mqttSettings(options));
        publisher->setDevice(device);
    }

    // As the window does: log lines on the link's thread, the rest on the main thread, in the
    // order the link reported it.
    auto status = [self = QPointer<Headless>(this)](qint64 code) {
        const QDateTime at = QDateTime::currentDateTimeUtc();
        const QString line = StatusWords::logLine(code);
        if (!line.isNull()) SystemLog::write(line);
        MainThread::post([self, at, code] {
            if (self) self->status(at, code);
        });
    };
    auto deviceChosen = [self = QPointer<Headless>(this)](const QString& address) {
        MainThread::post([self, address] {
            if (self) self->deviceFound(address);
        });
    };
    // Waits on the link's thread until the line is out: a slow reader slows the link down.
    auto result = [self = QPointer<Headless>(this)](const QByteArray& record) {
        const QDateTime at = QDateTime::currentDateTimeUtc();
        MainThread::dispatchSync([self, at, record] {
            if (self) self->reading(at, record, record.size());
        });
    };
    auto cutResult = [self = QPointer<Headless>(this)](const QByteArray& record, qint64 length) {
        const QDateTime at = QDateTime::currentDateTimeUtc();
        MainThread::dispatchSync([self, at, record, length] {
            if (self) self->reading(at, record, length);
        });
    };
    link = SensorProfile::makeLink(status, result);
    if (!link) return false;
    link->setDeviceHandler(deviceChosen);
    link->setCutResultHandler(cutResult);
    return true;
}

void Headless::makeOutputNonBlocking() {
    // A pipe or socket whose reader has stopped reading would hold write() for good; the wait
    // for room happens in poll() instead, where signals and --timeout still count.
    struct stat info {};
    if (::fstat(STDOUT_FILENO, &info) != 0 || !(S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)))
        return;
    outputFlags = ::fcntl(STDOUT_FILENO, F_GETFL);
    if (outputFlags >= 0) ::fcntl(STDOUT_FILENO, F_SETFL, outputFlags | O_NONBLOCK);
}

void Headless::watchReader() {
    // The writing end of a pipe reports an error once nobody reads it any more. Watching for it
    // ends the run when the link is quiet, as it can be for hours, and not only at the next line.
    // Only for a pipe opened for writing alone: anything else could wake the loop for good.
    struct stat info {};
    if (::fstat(STDOUT_FILENO, &info) != 0 || !S_ISFIFO(info.st_mode)) return;
    if ((::fcntl(STDOUT_FILENO, F_GETFL) & O_ACCMODE) != O_WRONLY) return;
    readerGone = std::make_unique<QSocketNotifier>(STDOUT_FILENO, QSocketNotifier::Read);
    connect(readerGone.get(), &QSocketNotifier::activated, this, [this] {
        readerGone->setEnabled(false);
        finish(0);
    });
}

QByteArray Headless::line(const QDateTime& at, Fields fields) const {
    Fields all{{"time", stamp(at)}};
    if (!device.isEmpty()) all.emplace_back("device", device);
    all.insert(all.end(), fields.begin(), fields.end());
    return jsonLine(all);
}

void Headless::reading(const QDateTime& at, const QByteArray& record, qint64 length) {
    if (done) return;
    const std::optional<ReadingRecord::Fields> fields = ReadingRecord::fields(record);
    Fields said = fields ? readingFields(record, *fields) : rejectedFields(record, length);
    // A record cut short says so, with the length that came.
    if (length > record.size()) {
        said.emplace_back("truncated", true);
        if (fields) said.emplace_back("length", length);
    }
    if (!fields) {
        SystemLog::writeReading(ReadingRecord::rejectionLine(record));
        print(line(at, said));
        return;
    }
    SystemLog::writeReading(ReadingRecord::text(*fields));
    if (publisher) publisher->reading(at, record);
    print(line(at, said));
    if (!done && options.readings > 0 && ++readings >= options.readings) finish(0);
}

void Headless::deviceFound(const QString& address) {
    device = address;
    if (publisher) publisher->setDevice(address);
}

void Headless::status(const QDateTime& at, qint64 code) {
    // Codes the window's title has no words for are left out here too.
    const QString words = StatusWords::description(code);
    if (words.isNull()) return;
    if (publisher) publisher->status(at, code);
    print(line(at, {{"status", code}, {"state", words}}));
    // Like any filter whose input has ended: `producer | vell-thermo --headless` ends with it.
    if (code == StatusCode::ReplayEnded) finish(0);
}

void Headless::print(const QByteArray& line) {
    if (done) return;
    switch (write(line)) {
        case Written::Done:
            return;
        case Written::Stopped:
        case Written::ReaderGone:
            finish(0);
            return;
        case Written::Failed:
            std::fprintf(stderr, "vell-thermo: cannot write to standard output: %s\n",
                         qPrintable(qt_error_string(errno)));
            finish(1);
            return;
    }
}

Headless::Written Headless::write(const QByteArray& line) const {
    struct stat info {};
    if (::fstat(STDOUT_FILENO, &info) == 0 && S_ISREG(info.st_mode)) {
        // One call for the whole line; a short one (a full disk) is taken back, so the file
        // holds whole lines only.
        const ssize_t n =
            ::write(STDOUT_FILENO, line.constData(), static_cast<size_t>(line.size()));
        if (n == line.size()) return Written::Done;
        if (n > 0) {
            const int saved = ENOSPC;
            const off_t end = ::lseek(STDOUT_FILENO, 0, SEEK_CUR);
            if (end >= n) [[maybe_unused]]
                const int cut = ::ftruncate(STDOUT_FILENO, end - n);
            errno = saved;
        }
        return Written::Failed;
    }
    qsizetype at = 0;
    while (at < line.size()) {
        // Waits for room with an eye on the stop pipe and the end of --timeout: a reader that
        // has stopped reading must hold off neither.
        int waitMs = -1;
        if (deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                *deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return Written::Stopped;
            waitMs =
                static_cast<int>(std::min<std::chrono::milliseconds::rep>(left.count(), 60'000));
        }
        pollfd wanted[] = {{STDOUT_FILENO, POLLOUT, 0}, {stopPipe[0], POLLIN, 0}};
        const int ready = ::poll(wanted, 2, waitMs);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Written::Failed;
        }
        if ((wanted[1].revents & POLLIN) != 0) return Written::Stopped;
        if (ready == 0) continue;
        const ssize_t n =
            ::write(STDOUT_FILENO, line.constData() + at, static_cast<size_t>(line.size() - at));
        if (n > 0) {
            at += n;
        } else if (n < 0 && errno == EPIPE) {
            return Written::ReaderGone;
        } else if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            return Written::Failed;
        }
    }
    return Written::Done;
}

void Headless::finish(int exitStatus) {
    if (done) return;
    done = true;
    // Safe here even inside a reading's hop: cancelling releases the link's waiting thread.
    if (link) link->cancel();
    QCoreApplication::exit(exitStatus);
}

int Headless::runProgram(int& argc, char* argv[], const Options& options) {
    if (!hasOutput()) {
        std::fputs("vell-thermo: standard output is closed: nowhere to print readings.\n", stderr);
        return 1;
    }
    SystemLog::installDefaultPattern();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vell-thermo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELL_VERSION));
    return run(app, options);
}

void Headless::execLeanProgram(char* argv[]) {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (self.isEmpty()) return;
    const QString lean = QFileInfo(self).absolutePath() +
                         QStringLiteral("/" VELL_BIN_TO_LIBEXEC "/vell-thermo-headless");
    ::execv(QFile::encodeName(lean).constData(), argv);
}
