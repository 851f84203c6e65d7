#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/FilePermissions.h"
#include "support/HostileSkins.h"
#include "support/QtPrinters.h"
#include "support/RunApp.h"
#include "support/TempHome.h"

namespace {

class HostileInputTest : public ::testing::Test {
protected:
    QString bundle() const { return home.installedBundle(); }
    // The report on the test's home at 800x600 for the Mac.
    Finished check(const std::function<void()>& inChild = {}) const {
        return runApp({"--home", home.path(), "--check-skins", "--json", "--size", "800x600"}, {},
                      inChild);
    }
    // A run of the window that must come up: a screenshot after at most a second.
    Finished screenshot() const {
        return runApp({"--home", home.path(), "--sensor", "replay:" + home.write("none", {}),
                       "--screenshot", home.path() + "/shot.png", "--timeout", "1"});
    }

    // Names that are not UTF-8 are beyond QTemporaryDir's clean-up.
    void TearDown() override {
        std::filesystem::remove_all(QFile::encodeName(bundle()).toStdString());
    }

    TempHome home;
};

TEST_F(HostileInputTest, TheReportCoversEveryHostileSkinAsTheViewShowsIt) {
    ASSERT_EQ(check().status, 0);  // installs the packaged skins
    const QList<hostile::Skin> skins = hostile::writeCorpus(bundle());
    ::mkdir((QFile::encodeName(bundle()) + "/not-utf8-\xff\xfe").constData(), 0700);
    const Finished done = check();
    ASSERT_EQ(done.status, 1) << ::testing::PrintToString(done.err);
    const QJsonArray reported = QJsonDocument::fromJson(done.out.toUtf8())["skins"].toArray();
    EXPECT_EQ(reported.size(), skins.size() + 3);  // the packaged two and the one above
    for (const hostile::Skin& skin : skins) {
        SCOPED_TRACE(skin.name);
        QJsonObject found;
        for (const QJsonValue& entry : reported)
            if (entry["name"] == QLatin1String(skin.name)) found = entry.toObject();
        EXPECT_EQ(found["picture"].toObject()["decodes"], skin.pictureShown);
        EXPECT_EQ(found["labels"].toArray().size(), skin.labels);
    }
}

TEST_F(HostileInputTest, TheWindowComesUpOverAHostileSkinOrNoneAtAll) {
    // qir, the skin every start shows, made of the worst of the corpus.
    ASSERT_EQ(check().status, 0);
    const QDir qir(bundle() + "/qir");
    for (const hostile::Skin& skin : hostile::corpus()) {
        const QByteArray name = skin.name;
        if (name == "huge-header" || name == "thousand-entries") skin.make(qir);
    }
    Finished done = screenshot();
    EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
    EXPECT_TRUE(done.err.contains("744 labels.plist entries past the first 256 not shown."));
    EXPECT_FALSE(QImage(home.path() + "/shot.png").isNull());

    QDir(bundle()).removeRecursively();
    home.write("Documents/skin.bundle", "a file");
    done = screenshot();
    EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
    EXPECT_TRUE(done.err.contains("skin.bundle NOT exist in your project."));
    done = check();
    EXPECT_EQ(done.status, 1);
    EXPECT_EQ(QJsonDocument::fromJson(done.out.toUtf8())["bundleOpened"], false);
}

TEST_F(HostileInputTest, AnUnreadableSkinFolderIsReportedNotFatal) {
    ASSERT_EQ(check().status, 0);
    ASSERT_TRUE(QFile::setPermissions(bundle() + "/qir", {}));
    const Finished done = check(&PermissionBitsApply::dropInChild);
    QFile::setPermissions(bundle() + "/qir",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(done.status, 1) << ::testing::PrintToString(done.err);
    for (const QJsonValue& skin : QJsonDocument::fromJson(done.out.toUtf8())["skins"].toArray())
        if (skin["name"] == "qir") {
            EXPECT_EQ(skin["labelsRead"], false);
        }
}

// Every bad command line ends at once with one "vell-thermo: ..." line and status 2, installing
// nothing; input the program can take (a replay it cannot use) still brings the window up.
TEST_F(HostileInputTest, AbusedCommandLines) {
    const QString file = home.write("file", "x");
    const QString binary = home.write(
        "binary", QByteArray("\x00\xff\x01Temp:\x80\x00", 10) + QByteArray(4096, '\xfe'));
    const QString longLine = home.write("long", "Temp:" + QByteArray(10 << 20, '9') + "\n");
    const QString empty = home.write("empty", {});
    const QString fifo = home.path() + "/fifo";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString shot = home.path() + "/shot.png";
    const QStringList window{"--screenshot", shot, "--timeout", "1", "--interval", "0"};
    const struct {
        QStringList arguments;
        int status;
    } rows[] = {
        // The parser's own test has the rest of the refused forms.
        {{"--bogus"}, 2},
        {{"--size", "0x0"}, 2},
        {{"--size", "-5x7"}, 2},
        {{"--size", "99999999x1"}, 2},
        {{"--size", "18446744073709551617x4294967297"}, 2},
        {{"--size", QString(100000, '7') + "x1"}, 2},
        {{"--sensor", "bluetooth"}, 2},
        {{"--home", file}, 2},
        {{"--home", file + "/below"}, 2},
        {{"--home", file, "--check-skins"}, 2},
        {{"--sensor", "replay:" + home.path()}, 2},
        {{"--sensor", "replay:" + home.path() + "/missing"}, 2},
        {QStringList{"--sensor", "replay:" + binary} + window, 0},
        {QStringList{"--sensor", "replay:" + longLine} + window, 0},
        {QStringList{"--sensor", "replay:" + empty} + window, 0},
        {QStringList{"--sensor", "replay:" + fifo} + window, 0},
        {{"--sensor", "sim", "--screenshot", file + "/shot.png", "--timeout", "0"}, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').left(200).toStdString());
        QStringList arguments = row.arguments;
        if (!arguments.contains("--home")) arguments << "--home" << home.path() + "/h";
        const Finished done = runApp(arguments);
        EXPECT_EQ(done.status, row.status) << ::testing::PrintToString(done.err);
        if (row.status == 0) continue;
        const QStringList ours = done.err.filter(QRegularExpression("^vell-thermo: "));
        ASSERT_EQ(ours.size(), 1) << ::testing::PrintToString(done.err);
        EXPECT_LT(ours.first().size(), 400);
        EXPECT_TRUE(done.out.isEmpty());
        if (row.status == 2) {
            EXPECT_FALSE(QFileInfo::exists(home.path() + "/h/Documents"));
        }
    }
    const Finished help = runApp({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("--sensor"));
    const Finished version = runApp({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("vell-thermo ")) << version.out.toStdString();
}

TEST_F(HostileInputTest, ANamedPipeReplaysOnceItsWriterComes) {
    const QByteArray fifo = QFile::encodeName(home.path() + "/fifo");
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // after the program opens
        const int fd = ::open(fifo.constData(), O_WRONLY);
        if (fd < 0) return;
        const char record[] = "Temp:23.45 Hum:56.78\n";
        EXPECT_EQ(::write(fd, record, sizeof record - 1), static_cast<ssize_t>(sizeof record - 1));
        ::close(fd);
    });
    const Finished done = runApp({"--home", home.path(), "--sensor", "replay:" + fifo, "--readings",
                                  "1", "--interval", "0"});
    ::close(::open(fifo.constData(), O_RDONLY | O_NONBLOCK));  // frees a writer left waiting
    writer.join();
    EXPECT_EQ(done.status, 0) << ::testing::PrintToString(done.err);
    EXPECT_TRUE(done.err.contains(QStringLiteral("23.45 \u2103   56.78%")));
}

}  // namespace
