#include "sensor/ReplayTransport.h"

#include "sensor/StatusCodes.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

namespace {
constexpr qsizetype kChunk = 64 * 1024;
}

ReplayTransport::ReplayTransport(QString file, int interval)
    : path(std::move(file)), intervalMs(std::max(0, interval)) {
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &ReplayTransport::deliverNext);
}

ReplayTransport::~ReplayTransport() {
    readable.reset();
    if (fd >= 0) ::close(fd);
}

void ReplayTransport::start(const LinkSettings&, LinkSink& linkSink) {
    sink = &linkSink;
    if (path == QLatin1String("-"))
        fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    else
        // Without O_NONBLOCK a named pipe nobody writes to would hold the link's thread in
        // open() for good, beyond cancelling, and the program could never quit.
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        finishInput();
        return;
    }
    struct stat info {};
    awaitingWriter =
        path != QLatin1String("-") && ::fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode);
    // Never block the link's thread on a pipe: cancelling must be able to stop it at any time.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    readable->setEnabled(false);
    connect(readable.get(), &QSocketNotifier::activated, this, [this] {
        readable->setEnabled(false);
        awaitingWriter = false;  // a writer has come: from now on no data is the end
        deliverNext();
    });
    deliverNext();
}

bool ReplayTransport::fill() {
    QByteArray chunk(kChunk, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), static_cast<size_t>(chunk.size()));
        if (n > 0) {
            reader.feed(QByteArray(chunk.constData(), n));
            return true;
        }
        if (n == 0) {
            if (awaitingWriter) return false;  // a named pipe reads as ended until then
            reader.finish();
            return true;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
        reader.finish();  // a read error ends the replay like the end of the file
        return true;
    }
}

void ReplayTransport::deliverNext() {
    for (;;) {
        if (std::optional<QByteArray> line = reader.takeLine()) {
            if (reader.receivedLength() > line->size())
                sink->cutResult(*line, reader.receivedLength());
            else
                sink->result(*line);
            timer.start(intervalMs);
            return;
        }
        if (reader.atEnd()) {
            finishInput();
            return;
        }
        if (!fill()) {
            readable->setEnabled(true);
            return;
        }
    }
}

void ReplayTransport::finishInput() {
    readable.reset();
    if (fd >= 0) ::close(fd);
    fd = -1;
    sink->status(StatusCode::ReplayEnded);
}
