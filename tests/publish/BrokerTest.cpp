// --mqtt against a real broker: Debian's mosquitto on a free loopback port, watched by
// mosquitto_sub with a persistent session, so that what the broker keeps for it while the
// program reconnects is counted too.

#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include "support/QtPrinters.h"
#include "support/Wait.h"

namespace {

constexpr int kWaitMs = 60'000;  // for what a loaded machine may take; never a measurement
const QByteArray kTopic = "vell-thermo/c47f51001234/";
const QStringList kDevice{"--device", "C4:7F:51:00:12:34"};

// Connects to (connect) or binds (!connect) a loopback port; the port bound, or whether it took.
int loopback(int port, bool connect) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    auto* any = reinterpret_cast<sockaddr*>(&address);
    socklen_t size = sizeof address;
    const int result =
        connect ? ::connect(fd, any, size) == 0
                : (::bind(fd, any, size), ::getsockname(fd, any, &size), ntohs(address.sin_port));
    ::close(fd);
    return result;
}

struct Broker {
    // extra: more configuration; DIR stands for the broker's own folder.
    explicit Broker(const QByteArray& extra = "allow_anonymous true\n") {
        QFile conf(dir.filePath("mosquitto.conf"));
        EXPECT_TRUE(conf.open(QIODevice::WriteOnly));
        QByteArray text = "listener " + QByteArray::number(port) +
                          " 127.0.0.1\npersistence true\npersistence_location DIR/\n" + extra;
        conf.write(text.replace("DIR", QFile::encodeName(dir.path())));
        // As root, mosquitto would become the user "mosquitto", who cannot save here.
        if (::getuid() == 0) conf.write(QByteArray("user ") + ::getpwuid(0)->pw_name + "\n");
    }
    ~Broker() { stop(); }
    void start() {
        process.start(QStandardPaths::findExecutable("mosquitto", {"/usr/sbin", "/usr/local/sbin"}),
                      {"-c", dir.filePath("mosquitto.conf")});
        ASSERT_TRUE(waitUntil([&] { return loopback(port, true); }, false, kWaitMs));
    }
    // Frozen first, it leaves readings in flight, never acknowledged, as a hung broker does.
    void stop(bool frozenFirst = false) {
        const auto pid = static_cast<pid_t>(process.processId());
        if (frozenFirst && pid > 0) ::kill(pid, SIGSTOP), QThread::sleep(1);
        process.terminate();  // it saves the subscriber's session and what waits for it
        if (pid > 0) ::kill(pid, SIGCONT);
        process.waitForFinished(kWaitMs);
    }
    QStringList mqtt() const { return {"--mqtt", QStringLiteral("mqtt://127.0.0.1:%1").arg(port)}; }

    QTemporaryDir dir;
    int port = loopback(0, false);
    QProcess process;
};

// Every message the subscriber gets, as "topic payload".
struct Subscriber {
    explicit Subscriber(const Broker& broker) {
        const QStringList at{"-h", "127.0.0.1", "-p", QString::number(broker.port), "-q", "1"};
        // -R: not the retained messages a new subscription brings, which would repeat old ones.
        process.start("mosquitto_sub", at + QStringList{"-c", "-i", "vell-test", "-R", "-v", "-t",
                                                        "vell-thermo/#", "-t", "homeassistant/#"});
        // Subscribed once a message of its own comes back; until then probes are lost.
        EXPECT_TRUE(waitUntil(
            [&] {
                QProcess::execute("mosquitto_pub",
                                  at + QStringList{"-t", "vell-thermo/p", "-m", "1"});
                return waitUntil([&] { return lines().contains("vell-thermo/p 1"); }, true, 200);
            },
            true, kWaitMs));
    }
    ~Subscriber() { process.kill(), process.waitForFinished(); }
    QByteArrayList lines() { return (received += process.readAllStandardOutput()).split('\n'); }
    QByteArrayList payloads(const QByteArray& topic) {
        QByteArrayList found;
        for (const QByteArray& line : lines())
            if (line.startsWith(topic + ' ')) found << line.mid(topic.size() + 1);
        return found;
    }
    bool waitFor(const QByteArray& line) {
        return waitUntil([&] { return lines().contains(line); }, true, kWaitMs);
    }

    QProcess process;
    QByteArray received;
};

// The readings' numbers, from records such as "Temp:20.10 Hum:40.00 #00017".
QList<int> numbers(const QByteArrayList& states) {
    QList<int> found;
    for (const QByteArray& state : states)
        found << QJsonDocument::fromJson(state)[u"record"].toString().section(u'#', 1).toInt();
    return found;
}

struct Program {
    explicit Program(const QStringList& arguments, const QByteArray& input = {},
                     const QStringList& environment = {}) {
        process.setEnvironment(QProcess::systemEnvironment() + environment);
        process.start(VELL_TEST_BINARY, QStringList{"--headless"} + arguments);
        process.write(input);  // standard input stays open: the replay waits for more
    }
    ~Program() { process.kill(), process.waitForFinished(); }
    int stop(int signal = SIGTERM) {
        // A program that has ended has no id: kill(0) would hit the whole process group.
        if (const auto pid = static_cast<pid_t>(process.processId()); pid > 0) ::kill(pid, signal);
        process.waitForFinished(kWaitMs);
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    bool logs(const QByteArray& text, int times = 1) {
        return waitUntil(
            [&] { return (log += process.readAllStandardError()).count(text) >= times; }, true,
            kWaitMs);
    }
    QProcess process;
    QByteArray log;
};

// Readings flow while the broker hangs, stops for 10 s and starts again: every one arrives, in
// order (one sent again when its acknowledgement was lost may come twice, in its place). Along
// the way: discovery on each connection, the status topic, and "offline" on a clean exit.
TEST(BrokerTest, AnOutageLosesNoReadingAndKeepsTheirOrder) {
    Broker broker;
    broker.start();
    Subscriber subscriber(broker);
    const int total = 250;
    QByteArray records;
    for (int n = 1; n <= total; ++n)
        records += "Temp:" + QByteArray::number(20 + n % 50 * 0.1, 'f', 2).rightJustified(5) +
                   " Hum:40.00 #" + QByteArray::number(n) + '\n';
    Program program(
        QStringList{"--sensor", "replay:-", "--interval", "40"} + kDevice + broker.mqtt(), records);
    const auto states = [&] { return numbers(subscriber.payloads(kTopic + "state")); };
    ASSERT_TRUE(waitUntil([&] { return states().size() >= 20; }, true, kWaitMs));
    broker.stop(true);
    QThread::sleep(10);
    broker.start();
    ASSERT_TRUE(waitUntil([&] { return states().contains(total); }, true, kWaitMs));
    program.process.closeWriteChannel();  // the replay ends, and with it the run
    EXPECT_TRUE(waitUntil(
        [&] { return subscriber.payloads(kTopic + "status").join().contains(R"("status":15)"); },
        true, kWaitMs));
    EXPECT_TRUE(program.process.waitForFinished(kWaitMs));
    EXPECT_EQ(program.stop(), 0);
    EXPECT_TRUE(subscriber.waitFor(kTopic + "availability offline"));

    QList<int> got = states();
    EXPECT_TRUE(std::is_sorted(got.begin(), got.end()));
    got.erase(std::unique(got.begin(), got.end()), got.end());
    EXPECT_EQ(got.size(), total);
    EXPECT_EQ(subscriber.payloads(kTopic + "availability").value(0), "online");
    for (const char* kind : {"temperature", "humidity"})  // sent on each connection
        EXPECT_GE(subscriber
                      .payloads("homeassistant/sensor/vell_thermo_c47f51001234/" +
                                QByteArray(kind) + "/config")
                      .size(),
                  2);
}

// A program that dies without a word is "offline" all the same: the broker's last will.
TEST(BrokerTest, AKilledProgramLeavesItsLastWill) {
    Broker broker;
    broker.start();
    Subscriber subscriber(broker);
    Program program(QStringList{"--sensor", "sim"} + kDevice + broker.mqtt());
    ASSERT_TRUE(subscriber.waitFor(kTopic + "availability online"));
    EXPECT_EQ(program.stop(SIGKILL), -1);
    EXPECT_TRUE(subscriber.waitFor(kTopic + "availability offline"));
}

// A wrong password is a log line and another try later, never the end of the run; the right
// one from a credentials file gets in.
TEST(BrokerTest, ARefusedLoginIsALogLineAndARetry) {
    Broker broker("allow_anonymous false\npassword_file DIR/passwords\n");
    ASSERT_EQ(QProcess::execute("mosquitto_passwd",
                                {"-b", "-c", broker.dir.filePath("passwords"), "vell", "right"}),
              0);
    broker.start();
    const QStringList arguments = QStringList{"--sensor", "sim"} + kDevice + broker.mqtt();
    Program refused(arguments, {}, {"VELL_MQTT_USERNAME=vell", "VELL_MQTT_PASSWORD=wrong"});
    EXPECT_TRUE(refused.logs("refused the connection (Connection Refused: not authorised.)", 2))
        << refused.log.toStdString();
    EXPECT_EQ(refused.stop(), 0);

    QFile credentials(broker.dir.filePath("credentials"));
    ASSERT_TRUE(credentials.open(QIODevice::WriteOnly));
    credentials.write("vell\nright\n");
    credentials.close();
    Program admitted(arguments + QStringList{"--mqtt-credentials", credentials.fileName()});
    EXPECT_TRUE(admitted.logs("MQTT: connected to 127.0.0.1:")) << admitted.log.toStdString();
}

}  // namespace
