#include "LogCapture.h"

#include <atomic>

namespace {
std::atomic<LogCapture*> active{nullptr};
QtMessageHandler previous = nullptr;
}  // namespace

void LogCapture::handle(QtMsgType type, const QMessageLogContext& context, const QString& line) {
    LogCapture* capture = active.load();
    if (capture == nullptr || qstrcmp(context.category, "vell.log") != 0) {
        if (previous != nullptr) previous(type, context, line);
        return;
    }
    const std::lock_guard lock(capture->mutex);
    capture->captured.append(line);
}

LogCapture::LogCapture() {
    active.store(this);
    previous = qInstallMessageHandler(&LogCapture::handle);
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(previous);
    active.store(nullptr);
}

QStringList LogCapture::lines() const {
    const std::lock_guard lock(mutex);
    QStringList copy;  // deep: the list keeps growing on other threads
    for (const QString& line : captured) copy.append(QString(line.constData(), line.size()));
    return copy;
}

void LogCapture::clear() {
    const std::lock_guard lock(mutex);
    captured.clear();
}
