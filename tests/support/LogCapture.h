#pragma once

#include <QStringList>
#include <QtGlobal>

#include <mutex>

// Collects the lines the program writes to its log while it lives, from any thread.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
    void clear();

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message);

    mutable std::mutex mutex;
    QStringList captured;
};
