#pragma once

#include "sensor/LineReader.h"
#include "sensor/LumoTransport.h"

#include <QSocketNotifier>
#include <QTimer>

#include <memory>

// Plays a file back as a sensor would: each line, without its line ending, is one record,
// interval apart; at its end it reports that (status 15) once and stays quiet. "-" reads
// standard input, which may be a pipe that is slow to fill.
class ReplayTransport final : public LumoTransport {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxRecordLength = 64 * 1024;

    ReplayTransport(QString path, int intervalMs);
    ~ReplayTransport() override;
    void start(const LinkSettings& settings, LinkSink& sink) override;

private:
    void deliverNext();
    // Reads what is available; false when the input would block.
    bool fill();
    void finishInput();

    QString path;
    int intervalMs;
    int fd = -1;
    bool awaitingWriter = false;  // a named pipe that no writer has opened yet
    LinkSink* sink = nullptr;
    LineReader reader{kMaxRecordLength};
    QTimer timer;
    std::unique_ptr<QSocketNotifier> readable;
};
