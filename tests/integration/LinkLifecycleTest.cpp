// The screen going to the system (the window minimised) and coming back, at every step of the
// real Bluetooth LE link: BleTransport against mock_bluez.py on a private dbus-daemon, all in
// this process, so that the calls land exactly in the step under test.

#include "widgets/OrrinNavigationController.h"
#include "lumo/BleTransport.h"
#include "lumo/VellLumo.h"
#include "platform/Bundle.h"
#include "screen/ViewController.h"
#include "widgets/FitLabel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <optional>
#include <thread>
#include <vector>

#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/Wait.h"

namespace {

const QStringList kLinkUp{QStringLiteral("scanning..."), QStringLiteral("Found target."),
                          QStringLiteral("connecting ...")};
const QStringList kStatusLines = kLinkUp + QStringList{QStringLiteral("tempture disconnected.")};

QString busAddress;  // chosen by main() before the application exists
QString workDir;     // helpers' logs

// A helper process, killed when this goes, and with this process even when a test crashes. It is
// made with a plain fork(): QProcess in Qt 6.4 runs the child in our memory until it execs,
// which garbles ThreadSanitizer's record of this process's threads.
class Child {
public:
    Child(const QStringList& arguments, const QString& errorLog) {
        QByteArrayList bytes;
        for (const QString& a : arguments) bytes.append(a.toLocal8Bit());
        std::vector<char*> argv;
        for (QByteArray& b : bytes) argv.push_back(b.data());
        argv.push_back(nullptr);
        int out[2] = {-1, -1};
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        const int err = ::open(QFile::encodeName(errorLog).constData(),
                               O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        pid = ::fork();
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err);
        output = out[0];
        ::fcntl(output, F_SETFL, O_NONBLOCK);
    }
    ~Child() {
        if (pid > 0 && ::kill(pid, SIGKILL) == 0) ::waitpid(pid, nullptr, 0);
        if (output >= 0) ::close(output);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The whole lines it has written to its standard output so far.
    QStringList said() {
        char chunk[512];
        for (ssize_t n; (n = ::read(output, chunk, sizeof chunk)) > 0;) written.append(chunk, n);
        QStringList lines = QString::fromUtf8(written).split(u'\n');
        lines.removeLast();
        return lines;
    }

private:
    pid_t pid = -1;
    int output = -1;
    QByteArray written;
};

// Long enough for the mock's timers and Qt's D-Bus round trips on a loaded machine.
constexpr int kLinkMs = 15000;

// Runs the loop a while, long enough for a link that failed to stop to give itself away.
void settle() {
    waitUntil([] { return false; }, true, 300);
}

// Calls on the main thread that must come back: a hang there freezes the window for good, so
// end the run with a clear message instead of waiting for CTest's limit.
void returnsPromptly(const char* what, const std::function<void()>& call) {
    std::promise<void> returned;
    std::thread watchdog([what, done = returned.get_future()] {
        if (done.wait_for(std::chrono::seconds(10)) == std::future_status::ready) return;
        std::fprintf(stderr, "%s never returned: the main thread is stuck\n", what);
        std::abort();
    });
    call();
    returned.set_value();
    watchdog.join();
}

QStringList statusesIn(const QStringList& lines) {
    QStringList found;
    for (const QString& line : lines)
        if (kStatusLines.contains(line)) found.append(line);
    return found;
}

// The mock's numbers of the records shown among lines, in order (mock_bluez.values); 0 for a
// reading the mock never sent.
QList<int> recordsIn(const QStringList& lines) {
    static const QHash<QString, int> numbers = [] {
        QHash<QString, int> made;
        for (int k = 1; k <= 20000; ++k)
            made.insert(QString::asprintf("%5.2f \u2103   %5.2f%%", 20 + 0.11 * k, 40 + 0.37 * k),
                        k);
        return made;
    }();
    QList<int> found;
    for (const QString& line : lines)
        if (line.contains(u'\u2103')) found.append(numbers.value(line, 0));
    return found;
}

// The label keeps the last reading shown (empty before the first).
QString lastReading(const QStringList& lines) {
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        if (line->contains(u'\u2103')) return *line;
    return {};
}

// Newer than after, and one after the other: nothing lost, repeated or out of order.
bool inOrderAfter(const QList<int>& records, int after) {
    for (qsizetype i = 0; i < records.size(); ++i) {
        const bool fits = i == 0 ? records[i] > after : records[i] == records[i - 1] + 1;
        if (!fits) return false;
    }
    return true;
}

class LinkLifecycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        VellLumo::setTransportFactory([] { return std::make_unique<BleTransport>(); });
    }

    void TearDown() override {
        navigation.reset();  // the screen's link stops before the mock goes
        VellLumo::setTransportFactory({});
        mock.reset();
        if (!HasFailure()) return;
        std::fprintf(stderr, "----- logged -----\n%s\n", qPrintable(log.lines().join(u'\n')));
        QFile mockLog(mockLogPath);
        if (mockLog.open(QIODevice::ReadOnly))
            std::fprintf(stderr, "----- mock_bluez -----\n%s\n", mockLog.readAll().constData());
    }

    // A fresh mock for every test: its records are numbered from 1.
    bool startMock(const QStringList& options) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        mockLogPath = QStringLiteral("%1/mock-%2.log")
                          .arg(workDir, QString::fromLatin1(test->name()).replace(u'/', u'-'));
        mock.emplace(QStringList{QStringLiteral("/usr/bin/python3"), QStringLiteral("-B"),
                                 QStringLiteral(VELL_MOCK_BLUEZ), QStringLiteral("--bus-address"),
                                 busAddress} +
                         options,
                     mockLogPath);
        return waitUntil([&] { return mock->said().contains(QStringLiteral("ready")); }, true,
                         kLinkMs);
    }

    ViewController* appear() {
        navigation = std::make_unique<OrrinNavigationController>();
        auto* screen = new ViewController;
        navigation->pushViewController(screen);
        screen->viewDidAppear(false);
        return screen;
    }

    // Goes to the system with the main thread busy a moment first, as while the window minimises,
    // so that a record waits in its hop; the old link may then show that one reading and no more.
    void leave(ViewController* screen) {
        QThread::msleep(100);
        returnsPromptly("gotoSystem", [&] { screen->gotoSystem(); });
        EXPECT_FALSE(screen->hasSensorLink());
        const qsizetype mark = log.lines().size();
        settle();
        const QStringList late = log.lines().mid(mark);
        EXPECT_LE(late.size(), 1) << ::testing::PrintToString(late);
        EXPECT_EQ(recordsIn(late).size(), late.size()) << ::testing::PrintToString(late);
        EXPECT_EQ(screen->readingLabel()->text(), lastReading(log.lines()));
    }

    // A new link scans, finds, connects, and shows records newer than any shown so far, in order.
    void expectFreshLink() {
        const QStringList before = log.lines();
        const QList<int> shown = recordsIn(before);
        const int last = shown.isEmpty() ? 0 : shown.last();
        ASSERT_TRUE(waitUntil([&] { return recordsIn(log.lines().mid(before.size())).size() >= 3; },
                              true, kLinkMs));
        const QStringList again = log.lines().mid(before.size());
        EXPECT_EQ(again.mid(0, 3), kLinkUp);
        const QList<int> records = recordsIn(again.mid(3));
        EXPECT_EQ(records.size(), again.size() - 3) << ::testing::PrintToString(again);
        EXPECT_TRUE(inOrderAfter(records, last))
            << "after record " << last << ": " << ::testing::PrintToString(again);
    }

    TempHome home;
    LogCapture log;
    std::optional<Child> mock;
    QString mockLogPath;
    std::unique_ptr<OrrinNavigationController> navigation;
};

struct Step {
    const char* name;
    const char* mockOptions;  // how the mock holds the link at this step
    const char* mockHolds;    // what the mock says once it holds it there ("": nothing)
    qsizetype statuses;       // how far up the link has come by then: kLinkUp's first lines
    qsizetype readings;       // and the readings shown
};

void PrintTo(const Step& step, std::ostream* os) {
    *os << step.name;
}

class LinkStepTest : public LinkLifecycleTest, public ::testing::WithParamInterface<Step> {};

TEST_P(LinkStepTest, GoingToTheSystemStopsTheLinkAndComingBackStartsAFreshOne) {
    const Step& step = GetParam();
    ASSERT_TRUE(startMock(QString::fromLatin1(step.mockOptions).split(u' ')));
    ViewController* screen = appear();
    const QString holds = QString::fromLatin1(step.mockHolds);
    ASSERT_TRUE(waitUntil(
        [&] {
            return statusesIn(log.lines()).size() >= step.statuses &&
                   (holds.isEmpty() || mock->said().contains(holds)) &&
                   recordsIn(log.lines()).size() >= step.readings;
        },
        true, kLinkMs));
    EXPECT_EQ(statusesIn(log.lines()), kLinkUp.first(step.statuses));
    leave(screen);

    screen->backFromSystem();
    expectFreshLink();
    leave(screen);  // and once more from the fresh link, mid-stream
}

INSTANTIATE_TEST_SUITE_P(
    Ble, LinkStepTest,
    ::testing::Values(Step{"WhileScanning", "--quiet-scans 1", "scan quiet", 1, 0},
                      // The connect request that follows "Found target." is out, unanswered.
                      Step{"AfterFoundTarget", "--held-connects 1", "connect held", 3, 0},
                      // Connected, but the services never resolve: notifications are not on.
                      Step{"WhileConnecting", "--unresolved-connects 1", "services held", 3, 0},
                      Step{"MidStream", "--interval-ms 5", "", 3, 5}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// Its own main: the bus and Qt's Bluetooth backend are chosen through the environment, which
// must be in place before the application and anything on D-Bus starts.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const QTemporaryDir work(QDir::tempPath() + QStringLiteral("/vell-link-XXXXXX"));
    workDir = work.path();
    busAddress = QStringLiteral("unix:path=%1/bus").arg(workDir);
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", busAddress.toLocal8Bit());
    qputenv("DBUS_SESSION_BUS_ADDRESS", busAddress.toLocal8Bit());  // never the desktop's
    qputenv("BLUETOOTH_FORCE_DBUS_LE_VERSION", "5.66");
    qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vell-thermo-tests"));
    Bundle::setPackagedSkinBundlePath(QStringLiteral(VELL_TEST_SKIN_BUNDLE));

    QFile config(work.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly)) return 1;
    // As tests/integration/run_ble_scenario.py has it.
    config.write(QStringLiteral("<busconfig><type>session</type><listen>%1</listen>"
                                "<auth>EXTERNAL</auth><policy context=\"default\">"
                                "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                                "<allow user=\"*\"/></policy></busconfig>\n")
                     .arg(busAddress)
                     .toUtf8());
    config.close();
    Child bus({QStringLiteral("/usr/bin/dbus-daemon"),
               QStringLiteral("--config-file=") + config.fileName(),
               QStringLiteral("--print-address=1"), QStringLiteral("--nofork")},
              work.filePath(QStringLiteral("bus.log")));
    // The address comes out once the bus listens.
    if (!waitUntil([&] { return !bus.said().isEmpty(); }, true, 10000)) {
        std::fprintf(stderr, "dbus-daemon did not start (Debian package dbus)\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
