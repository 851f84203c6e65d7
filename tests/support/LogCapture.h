#pragma once

#include <QStringList>

#include <mutex>

// Collects the lines the program logs while it lives, and those a test adds, from any thread.
class LogCapture {
public:
    LogCapture() {
        active = this;
        previous = qInstallMessageHandler(handle);
    }
    ~LogCapture() {
        qInstallMessageHandler(previous);
        active = nullptr;
    }
    void add(const QString& line) {
        const std::lock_guard lock(mutex);
        captured.append(line);
    }
    QStringList lines() const {  // a deep copy: the list keeps growing on other threads
        const std::lock_guard lock(mutex);
        QStringList copy;
        for (const QString& line : captured) copy.append(QString(line.constData(), line.size()));
        return copy;
    }
    void clear() {
        const std::lock_guard lock(mutex);
        captured.clear();
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& line) {
        LogCapture* capture = active;
        if (capture != nullptr && qstrcmp(context.category, "vell.log") == 0)
            return capture->add(line);
        previous(type, context, line);
    }
    static inline std::atomic<LogCapture*> active{nullptr};
    static inline QtMessageHandler previous = nullptr;
    mutable std::mutex mutex;
    QStringList captured;
};
