// --headless through the binary: its JSON lines, how a run ends, the options it refuses.

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

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

// SIGINT, SIGTERM and a reader that goes away all end a run with status 0 and nothing on
// standard error but the log, which is off here. A window would fail on the bogus platform.
TEST(HeadlessTest, EndsCleanlyOnSignalsAndWhenTheReaderGoes) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vell.log.info=false"));
    int gone[2] = {-1, -1};  // a socket whose reader is gone before the first line
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, gone), 0);
    ::close(gone[0]);
    const struct {
        const char* how;
        int signal;  // sent once the first line is out
        std::function<void()> inChild;
        QStringList reader;  // takes standard output through a pipe
    } rows[] = {{"SIGINT", SIGINT, {}, {}},
                {"SIGTERM", SIGTERM, {}, {}},
                {"socket reader gone", 0, [&gone] { ::dup2(gone[1], STDOUT_FILENO); }, {}},
                {"pipe reader gone after a line", 0, {}, {"head", "-n", "1"}}};
    for (const auto& row : rows) {
        QProcess app, reader;
        app.setProcessEnvironment(environment);
        if (row.inChild) app.setChildProcessModifier(row.inChild);
        if (!row.reader.isEmpty()) {
            app.setStandardOutputProcess(&reader);
            reader.start(row.reader.first(), row.reader.mid(1));
        }
        app.start(QStringLiteral(VELL_TEST_BINARY),
                  {"--headless", "--sensor", "sim", "--interval", "0"});
        if (row.signal != 0) {
            ASSERT_TRUE(app.waitForReadyRead(60000)) << row.how;
            ::kill(static_cast<pid_t>(app.processId()), row.signal);
        }
        EXPECT_TRUE(app.waitForFinished(60000)) << row.how;
        EXPECT_EQ(app.exitStatus() == QProcess::NormalExit ? app.exitCode() : -1, 0) << row.how;
        EXPECT_EQ(app.readAllStandardError(), QByteArray()) << row.how;
    }
    ::close(gone[1]);
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
