#pragma once

#include "app/CommandLine.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>

#include <memory>

class QCoreApplication;
class QSocketNotifier;
class VellLumo;

// The sensor link without a window, for other programs: one JSON object per line on standard
// output for every reading, rejected record and status of the link (docs/readings-json.md), the
// same log lines on standard error as the window writes. Runs under a QCoreApplication, so no
// platform plugin is loaded and no picture decoded. It ends with status 0 after --readings N
// readings, after --timeout seconds, at the end of a replay, on SIGINT or SIGTERM, and when the
// reader of standard output goes away; with status 1 when standard output fails otherwise (a full
// disk).
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
    void reading(const QDateTime& at, const QByteArray& record);
    void status(const QDateTime& at, qint64 code);
    // Prints one line, or ends the run when that is no longer possible.
    void print(const QByteArray& line);
    Written write(const QByteArray& line) const;
    void finish(int exitStatus);

    const Options& options;
    std::unique_ptr<VellLumo> link;
    std::unique_ptr<QSocketNotifier> stopRequested;
    std::unique_ptr<QSocketNotifier> readerGone;
    int readings = 0;
    bool done = false;
};
