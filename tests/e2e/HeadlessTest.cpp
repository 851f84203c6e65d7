// --headless through the binary: its JSON lines, how a run ends, the options it refuses.

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include "support/RunApp.h"

namespace {

QJsonObject cases() {
    QFile file(QStringLiteral(VELL_TEST_DATA "/headless.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    return QJsonDocument::fromJson(file.readAll()).object();
}

QStringList strings(const QJsonValue& list) {
    return QVariant(list.toArray().toVariantList()).toStringList();
}

// Each record and each status is one line, in order, with exactly the keys and values promised.
TEST(HeadlessTest, PrintsOneJsonLinePerRecordAndStatus) {
    static const QRegularExpression utc(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$)");
    for (const QJsonValue& value : cases()[u"runs"].toArray()) {
        const QJsonObject run = value.toObject();
        SCOPED_TRACE(run[u"about"].toString().toStdString());
        const Finished done =
            runApp(strings(run[u"arguments"]), run[u"records"].toString().toUtf8());
        EXPECT_EQ(done.status, 0) << done.err.join(u'\n').toStdString();
        const QStringList lines = done.out.split(u'\n', Qt::SkipEmptyParts);
        const QJsonArray expected = run[u"lines"].toArray();
        ASSERT_EQ(lines.size(), expected.size()) << done.out.toStdString();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QJsonObject line = QJsonDocument::fromJson(lines[i].toUtf8()).object();
            EXPECT_TRUE(utc.match(line.take(u"time").toString()).hasMatch());
            EXPECT_EQ(line, expected[i].toObject()) << lines[i].toStdString();
        }
    }
}

// SIGINT, SIGTERM, SIGHUP, a reader that goes away and --timeout while the reader has stopped
// reading all end a run with status 0 and nothing on standard error but the log, which is off
// here. A window would fail on the bogus platform.
TEST(HeadlessTest, EndsCleanlyOnSignalsAndWhenTheReaderGoes) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vell.log*.info=false"));
    int gone[2] = {-1, -1};  // a socket whose reader is gone before the first line
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, gone), 0);
    ::close(gone[0]);
    const struct {
        const char* how;
        int signal;  // sent once the first line is out
        std::function<void()> inChild;
        QStringList reader;  // takes standard output through a pipe
        QStringList more{};  // arguments
    } rows[] = {{"SIGINT", SIGINT, {}, {}},
                {"SIGTERM", SIGTERM, {}, {}},
                {"SIGHUP", SIGHUP, {}, {}},
                {"socket reader gone", 0, [&gone] { ::dup2(gone[1], STDOUT_FILENO); }, {}},
                {"pipe reader gone after a line", 0, {}, {"head", "-n", "1"}},
                {"timeout, reader not reading", 0, {}, {"sleep", "600"}, {"--timeout", "1"}}};
    for (const auto& row : rows) {
        QProcess app, reader;
        app.setProcessEnvironment(environment);
        if (row.inChild) app.setChildProcessModifier(row.inChild);
        if (!row.reader.isEmpty()) {
            app.setStandardOutputProcess(&reader);
            reader.start(row.reader.first(), row.reader.mid(1));
        }
        app.start(QStringLiteral(VELL_TEST_BINARY),
                  QStringList{"--headless", "--sensor", "sim", "--interval", "0"} + row.more);
        if (row.signal != 0) {
            ASSERT_TRUE(app.waitForReadyRead(60000)) << row.how;
            const auto pid = static_cast<pid_t>(app.processId());
            // The mode runs in the program of its own that links no window libraries.
            EXPECT_TRUE(QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid))
                            .symLinkTarget()
                            .endsWith("/vell-thermo-headless"));
            if (pid > 0) ::kill(pid, row.signal);
        }
        EXPECT_TRUE(app.waitForFinished(60000)) << row.how;
        EXPECT_EQ(app.exitStatus() == QProcess::NormalExit ? app.exitCode() : -1, 0) << row.how;
        EXPECT_EQ(app.readAllStandardError(), QByteArray()) << row.how;
        reader.kill();
        reader.waitForFinished();
    }
    ::close(gone[1]);
}

// Appending to a file that a full disk left with half a line: the new lines start on a line of
// their own. A record cut at 64 KiB says so, with its whole length; --device names every line.
TEST(HeadlessTest, AppendsWholeLinesAndSaysWhenARecordWasCut) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("readings.jsonl")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"time":"2026-12-06T07:07:35.123Z","temper)");
    file.close();
    const QByteArray path = QFile::encodeName(file.fileName());
    const QByteArray longRecord = "Temp:23.41 Hum:56.69" + QByteArray(70'000, '.');
    const Finished done =
        runApp({"--headless", "--sensor", "replay:-", "--interval", "0", "--readings", "2",
                "--device", "c4:7f:51:00:12:34"},
               longRecord + "\nTemp:23.42 Hum:56.70\n",
               [&path] { ::dup2(::open(path.constData(), O_WRONLY | O_APPEND), STDOUT_FILENO); });
    EXPECT_EQ(done.status, 0);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 4);  // the half line, two readings, nothing after the last "\n"
    const QJsonObject cut = QJsonDocument::fromJson(lines[1]).object();
    EXPECT_EQ(cut[u"device"].toString(), "C4:7F:51:00:12:34");
    EXPECT_EQ(cut[u"record"].toString().size(), 64 * 1024);
    EXPECT_EQ(cut[u"truncated"].toBool(), true);
    EXPECT_EQ(cut[u"length"].toInt(), longRecord.size());
    const QJsonObject whole = QJsonDocument::fromJson(lines[2]).object();
    EXPECT_EQ(whole[u"device"].toString(), "C4:7F:51:00:12:34");
    EXPECT_FALSE(whole.contains(u"truncated"));
}

// The window's options and the skin report do not go with --headless: one line, status 2.
TEST(HeadlessTest, RefusesWindowOptions) {
    for (const QJsonValue& row : cases()[u"refused"].toArray()) {
        const QStringList arguments = strings(row);
        const Finished done = runApp(arguments);
        EXPECT_EQ(done.status, 2) << arguments.join(u' ').toStdString();
        EXPECT_EQ(done.err.value(0),
                  "vell-thermo: --headless opens no window: leave out " + arguments[1] + ".");
        EXPECT_TRUE(done.out.isEmpty());
    }
}

}  // namespace
