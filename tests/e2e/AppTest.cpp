#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

namespace {

struct Finished {
    int status = -1;  // -1 when it crashed or had to be killed
    QString out;
    QStringList err;
};

class AppTest : public ::testing::Test {
protected:
    // Runs the program, with the test's home unless told otherwise, and waits generously.
    Finished run(QStringList arguments, const QByteArray& input = {}, bool inHome = true) const {
        if (inHome) arguments << QStringLiteral("--home") << home.path();
        QProcess process;
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

    QString writeFile(const QString& name, const QByteArray& data) const {
        QFile file(home.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return file.fileName();
    }

    QTemporaryDir home;
};

struct Replay {
    const char* name;
    bool fromStandardInput;
    QByteArray records;
    QString readings;
    QStringList logged;  // reading and refusal lines, in order
};

class ReplayTest : public AppTest, public ::testing::WithParamInterface<Replay> {};

TEST_P(ReplayTest, LogsEveryRecordOnceInOrder) {
    const Replay& c = GetParam();
    const QString source = c.fromStandardInput
                               ? QStringLiteral("-")
                               : writeFile(QStringLiteral("records.txt"), c.records);
    const Finished done = run({QStringLiteral("--sensor"), QStringLiteral("replay:") + source,
                               QStringLiteral("--interval"), QStringLiteral("0"),
                               QStringLiteral("--readings"), c.readings},
                              c.fromStandardInput ? c.records : QByteArray());
    EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
    QStringList logged;  // leaving out Qt's own lines and the link's status lines
    for (const QString& line : done.err)
        if (line.contains(QStringLiteral("\u2103")) || line.startsWith(QStringLiteral("Rejected")))
            logged.append(line);
    EXPECT_EQ(logged, c.logged);
    EXPECT_TRUE(
        QFileInfo::exists(home.filePath(QStringLiteral("Documents/skin.bundle/qir/labels.plist"))));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ReplayTest,
    ::testing::Values(
        Replay{"File",
               false,
               "Temp:23.45 Hum:56.78\nTemp:24.06 Hum:50.12\n",
               QStringLiteral("2"),
               {QStringLiteral("23.45 \u2103   56.78%"), QStringLiteral("24.06 \u2103   50.12%")}},
        Replay{"DamagedRecordFirst",
               false,
               "Temp:1\r\nTemp:23.45 Hum:56.78\r\n",
               QStringLiteral("1"),
               {QStringLiteral("Rejected record of 6 bytes: 54656d703a31"),
                QStringLiteral("23.45 \u2103   56.78%")}},
        Replay{"StandardInput",
               true,
               "Temp:30.00 Hum:40.00\nTemp:30.50 Hum:41.00\n",
               QStringLiteral("2"),
               {QStringLiteral("30.00 \u2103   40.00%"), QStringLiteral("30.50 \u2103   41.00%")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppTest, ScreenshotShowsTheSkinAtTheWindowSize) {
    const QString shot = home.filePath(QStringLiteral("shot.png"));
    const QStringList arguments{QStringLiteral("--sensor"),     QStringLiteral("sim"),
                                QStringLiteral("--screenshot"), shot,
                                QStringLiteral("--timeout"),    QStringLiteral("20")};
    for (const auto& [size, expected] :
         {std::pair{QStringList(), QSize(1024, 768)},
          std::pair{QStringList{QStringLiteral("--size"), QStringLiteral("600x900")},
                    QSize(600, 900)}}) {
        QFile::remove(shot);
        const Finished done = run(arguments + size);
        EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
        const QImage picture(shot, "PNG");
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), expected);
        // The skin's picture fills the middle, not the screen's plain white.
        int white = 0;
        for (int y = -50; y < 50; ++y)
            for (int x = -50; x < 50; ++x)
                if (picture.pixel(picture.width() / 2 + x, picture.height() / 2 + y) ==
                    qRgb(255, 255, 255))
                    ++white;
        EXPECT_LT(white, 5000);
    }
}

TEST_F(AppTest, ExitsTwoOnBadInputAndZeroForHelpAndVersion) {
    const QString file = writeFile(QStringLiteral("not-a-folder"), "x");
    const QStringList cases[] = {
        {QStringLiteral("--sensor"), QStringLiteral("sim"), QStringLiteral("--size"),
         QStringLiteral("0x0")},
        {QStringLiteral("--bogus")},
        {QStringLiteral("--sensor"), QStringLiteral("sim"), QStringLiteral("--idiom"),
         QStringLiteral("watch")},
        {QStringLiteral("--sensor"), QStringLiteral("sim"), QStringLiteral("--home"), file},
        {QStringLiteral("--sensor"), QStringLiteral("replay:/nonexistent")},
        {QStringLiteral("--sensor"), QStringLiteral("replay:") + home.path()},
    };
    for (const QStringList& arguments : cases) {
        const Finished done = run(arguments, {}, !arguments.contains(QStringLiteral("--home")));
        EXPECT_EQ(done.status, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(done.err.first().startsWith(QStringLiteral("vell-thermo:")))
            << ::testing::PrintToString(done.err);
    }
    EXPECT_FALSE(QFileInfo::exists(home.filePath(QStringLiteral("Documents"))));

    const Finished help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--sensor")));
    const Finished version = run({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("vell-thermo ")))
        << version.out.toStdString();
}

}  // namespace
