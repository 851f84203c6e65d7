#pragma once

#include <QProcess>
#include <QStringList>

#include <functional>

// How a run of the program ended: its exit status (-1 when it crashed or had to be killed), its
// output and its log, one line each.
struct Finished {
    int status = -1;
    QString out;
    QStringList err;
};

// Runs the program, offscreen with bare log lines as the tests are, feeds it input, and waits
// generously. inChild, when given, runs in the child just before the program starts.
inline Finished runApp(const QStringList& arguments, const QByteArray& input = {},
                       const std::function<void()>& inChild = {}) {
    QProcess process;
    if (inChild) process.setChildProcessModifier(inChild);
    process.start(VELL_TEST_BINARY, arguments);
    Finished result;
    if (!process.waitForStarted(30'000)) return result;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120'000)) process.kill();
    process.waitForFinished();
    if (process.exitStatus() == QProcess::NormalExit) result.status = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError()).split('\n');
    return result;
}
