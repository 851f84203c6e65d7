#pragma once

#include "cli/CommandLine.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QObject>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QCoreApplication;
class MqttPublisher;
class QSocketNotifier;
class VellLumo;

// The sensor link without a window, for other programs: one JSON object per line on standard
// output for every reading, rejected record and status of the link (docs/readings-json.md), the
// same log lines on standard error as the window writes. Runs under a QCoreApplication, so no
// platform plugin is loaded and no picture decoded. It ends with status 0 after --readings N
// readings, after --timeout seconds, at the end of a replay, on SIGINT, SIGTERM or SIGHUP, and
// when the reader of standard output goes away; with status 1 when standard output fails
// otherwise (a full disk). With --mqtt it also publishes what it prints.
class Headless : public QObject {
    Q_OBJECT
public:
    // Whether standard output is open at all. Asked before anything opens a file, which would
    // otherwise be given its number and take the lines.
    static bool hasOutput();
    // Runs under app until the run ends; returns the exit status.
    static int run(QCoreApplication& app, const Options& options);
    // The whole run, application object and all, for options already read and prepared.
    static int runProgram(int& argc, char* argv[], const Options& options);
    // Replaces this process with the headless program, vell-thermo-headless, given the same
    // arguments. It links no window libraries, so a service that only passes readings on holds
    // half the memory. Returns only when that program cannot be run.
    static void execLeanProgram(char* argv[]);

private:
    enum class Written { Done, Stopped, ReaderGone, Failed };

    explicit Headless(const Options& options);
    ~Headless() override;

    bool start();
    void watchReader();
    void makeOutputNonBlocking();
    // length: how long the record was before the link cut it, if it did.
    void reading(const QDateTime& at, const QByteArray& record, qint64 length);
    void status(const QDateTime& at, qint64 code);
    void deviceFound(const QString& address);
    // Prints one line, or ends the run when that is no longer possible.
    void print(const QByteArray& line);
    // One JSON line: the time, the device once known, then fields in their order.
    QByteArray line(const QDateTime& at,
                    std::vector<std::pair<const char*, QJsonValue>> fields) const;
    Written write(const QByteArray& line) const;
    void finish(int exitStatus);

    const Options& options;
    std::unique_ptr<VellLumo> link;
    std::unique_ptr<MqttPublisher> publisher;
    QString device;  // the thermometer's address, once known
    std::optional<std::chrono::steady_clock::time_point> deadline;  // of --timeout
    int outputFlags = -1;  // standard output's flags before the run, to give back
    std::unique_ptr<QSocketNotifier> stopRequested;
    std::unique_ptr<QSocketNotifier> readerGone;
    int readings = 0;
    bool done = false;
};
