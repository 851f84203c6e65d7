#pragma once

#include <QStringList>

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
    // Spins the event loop until a line equal to line arrives, or timeoutMs passes.
    bool waitFor(const QString& line, int timeoutMs = 5000) const;
    // Spins the event loop until count lines have arrived, or timeoutMs passes.
    bool waitForCount(qsizetype count, int timeoutMs = 5000) const;

private:
    friend struct LogCaptureHandler;
    void append(const QString& line);

    mutable std::mutex mutex;
    QStringList captured;
};
