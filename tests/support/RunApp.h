#pragma once

#include <QProcess>
#include <QStringList>

#include <functional>

// How a run ended: its exit status (-1: crashed or killed), its output, its log lines.
struct Finished {
    int status = -1;
    QString out;
    QStringList err;
};

// Runs the program (offscreen, bare log lines) on input; inChild runs in the child before it.
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
