#include "LogCapture.h"

#include <QtGlobal>

#include <atomic>

namespace {
std::atomic<LogCapture*> active{nullptr};
QtMessageHandler previous = nullptr;
}  // namespace

struct LogCaptureHandler {
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        LogCapture* capture = active.load();
        if (capture != nullptr && context.category != nullptr &&
            qstrcmp(context.category, "vell.log") == 0) {
            capture->append(message);
            return;
        }
        if (previous != nullptr) previous(type, context, message);
    }
};

LogCapture::LogCapture() {
    active.store(this);
    previous = qInstallMessageHandler(&LogCaptureHandler::handle);
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(previous);
    active.store(nullptr);
}

void LogCapture::append(const QString& line) {
    std::lock_guard lock(mutex);
    captured.append(line);
}

QStringList LogCapture::lines() const {
    std::lock_guard lock(mutex);
    // A copy of its own: the list keeps growing on other threads.
    QStringList copy;
    copy.reserve(captured.size());
    for (const QString& line : captured) copy.append(QString(line.constData(), line.size()));
    return copy;
}

void LogCapture::clear() {
    std::lock_guard lock(mutex);
    captured.clear();
}
