#include "platform/UrlOpener.h"

#include "platform/SystemLog.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {
UrlOpener::Handler& handler() {
    static UrlOpener::Handler h;
    return h;
}

UrlOpener::Handler& failureHandler() {
    static UrlOpener::Handler h;
    return h;
}

void failed(const QUrl& url) {
    SystemLog::write(UrlOpener::failureNotice(url));
    if (failureHandler()) failureHandler()(url);
}

// What the opener has written so far, as log lines; the rest of a line once it has ended.
void logOutput(QProcess& process, bool ended) {
    const QString name = QFileInfo(process.program()).fileName();
    int logged = process.property("loggedLines").toInt();
    while (process.canReadLine() || process.bytesAvailable() >= UrlOpener::kMaxLineBytes ||
           (ended && process.bytesAvailable() > 0)) {
        QByteArray line = process.readLine(UrlOpener::kMaxLineBytes + 1);
        if (line.endsWith('\n')) line.chop(1);
        if (logged++ < UrlOpener::kMaxLines)
            SystemLog::write(name + QStringLiteral(": ") + QString::fromLocal8Bit(line));
    }
    process.setProperty("loggedLines", logged);
}

// xdg-open may wait for the program it starts, so it is watched, never waited for. One still
// running when the program ends is left to run: ending it could take the browser with it.
void runOpener(const QString& program, const QUrl& url) {
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments({QString::fromUtf8(url.toEncoded())});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(process, &QProcess::readyReadStandardOutput, process,
                     [process] { logOutput(*process, false); });
    QObject::connect(process, &QProcess::finished, process,
                     [process, url](int code, QProcess::ExitStatus status) {
                         logOutput(*process, true);
                         if (status != QProcess::NormalExit || code != 0) failed(url);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, url](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         failed(url);
                         process->deleteLater();
                     });
    process->start();
}
}  // namespace

void UrlOpener::open(const QUrl& url) {
    if (handler()) {
        handler()(url);
        return;
    }
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!program.isEmpty()) {
        runOpener(program, url);
        return;
    }
#endif
    if (!QDesktopServices::openUrl(url)) failed(url);
}

void UrlOpener::setHandler(Handler h) {
    handler() = std::move(h);
}

void UrlOpener::setFailureHandler(Handler h) {
    failureHandler() = std::move(h);
}

QString UrlOpener::failureNotice(const QUrl& url) {
    if (url.isLocalFile())
        return QStringLiteral("Could not open the folder %1; open it by hand.")
            .arg(url.toLocalFile());
    return QStringLiteral("Could not open %1.").arg(url.toDisplayString().left(200));
}

bool UrlOpener::isOpenableLink(const QString& text) {
    if (text.isEmpty() || text.size() > 8192) return false;
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) return false;
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return !url.host().isEmpty();
    if (scheme == QLatin1String("mailto") || scheme == QLatin1String("tel"))
        return !url.path().isEmpty();
    return false;
}
