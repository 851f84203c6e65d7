#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

// How a run of the program ended.
struct Finished {
    int status = -1;  // -1 when it crashed or had to be killed
    QString out;
    QStringList err;  // its log, one line each
};

// Runs the program offscreen with bare log lines, feeds it input, and waits generously.
// inChild, when given, runs in the child just before the program starts.
inline Finished runApp(const QStringList& arguments, const QByteArray& input = {},
                       const std::function<void()>& inChild = {}) {
    QProcess process;
    if (inChild) process.setChildProcessModifier(inChild);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_MESSAGE_PATTERN"), QStringLiteral("%{message}"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VELL_TEST_BINARY), arguments);
    Finished result;
    if (!process.waitForStarted(30000)) return result;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
    } else if (process.exitStatus() == QProcess::NormalExit) {
        result.status = process.exitCode();
    }
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'));
    return result;
}
