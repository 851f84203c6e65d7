// --mqtt against a real broker: Debian's mosquitto on a free loopback port, watched by
// mosquitto_sub with a persistent session, so that what the broker queues for it while the
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
const QString kDevice = QStringLiteral("C4:7F:51:00:12:34");
const QByteArray kTopic = "vell-thermo/c47f51001234/";

bool tryConnect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

struct Broker {
    explicit Broker(const QByteArray& extra = "allow_anonymous true\n") : port(freePort()) {
        QFile conf(dir.filePath("mosquitto.conf"));
        EXPECT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("listener " + QByteArray::number(port) + " 127.0.0.1\npersistence true\n" +
                   "persistence_location " + QFile::encodeName(dir.path()) + "/\n" + extra);
        // As root, mosquitto would become the user "mosquitto", who cannot save here.
        if (::getuid() == 0) conf.write(QByteArray("user ") + ::getpwuid(0)->pw_name + "\n");
    }
    ~Broker() { stop(); }
    void start() {
        const QString program =
            QStandardPaths::findExecutable("mosquitto", {"/usr/sbin", "/usr/local/sbin"});
        process.start(program, {"-c", dir.filePath("mosquitto.conf")});
        ASSERT_TRUE(waitUntil([&] { return tryConnect(port); }, false, kWaitMs));
    }
    void stop() {
        process.terminate();  // it saves the subscriber's session and queue
        process.waitForFinished(kWaitMs);
    }
    QString url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(port); }

    QTemporaryDir dir;
    int port;
    QProcess process;
};

// Every message the subscriber gets, as "topic payload".
struct Subscriber {
    explicit Subscriber(const Broker& broker) {
        process.start("mosquitto_sub", {"-h", "127.0.0.1", "-p", QString::number(broker.port), "-c",
                                        "-i", "vell-test", "-q", "1", "-v", "-t", "vell-thermo/#",
                                        "-t", "homeassistant/#"});
        // Subscribed once a message of its own comes back; until then probes are lost.
        const QStringList probe{"-h", "127.0.0.1", "-p", QString::number(broker.port),
                                "-q", "1",         "-t", "vell-thermo/probe",
                                "-m", "ready"};
        EXPECT_TRUE(waitUntil(
            [&] {
                QProcess::execute("mosquitto_pub", probe);
                return waitUntil([&] { return lines().contains("vell-thermo/probe ready"); }, true,
                                 200);
            },
            true, kWaitMs));
    }
    ~Subscriber() {
        process.kill();
        process.waitForFinished();
    }
    QByteArrayList lines() {
        received += process.readAllStandardOutput();
        return received.split('\n');
    }
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

// The readings' numbers, from records such as "Temp:20.00 Hum:40.00 #00017".
QList<int> numbers(const QByteArrayList& states) {
    QList<int> found;
    for (const QByteArray& state : states) {
        const QString record = QJsonDocument::fromJson(state)[u"record"].toString();
        found << record.section(u'#', 1).toInt();
    }
    return found;
}

struct Program {
    explicit Program(
        const QStringList& arguments, const QByteArray& input = {},
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
        process.setProcessEnvironment(environment);
        process.start(VELL_TEST_BINARY, QStringList{"--headless"} + arguments);
        process.write(input);  // stdin stays open: the replay never ends by itself
    }
    ~Program() {
        process.kill();
        process.waitForFinished();
    }
    int stop(int signal = SIGTERM) {
        ::kill(static_cast<pid_t>(process.processId()), signal);
        if (!process.waitForFinished(kWaitMs)) return -2;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QProcess process;
};

// Readings flow while the broker is stopped for 10 s and started again: every one arrives, in
// order (one sent again when its acknowledgement was lost may come twice, in its place). Along
// the way: discovery, the status topic, and "online" then "offline" on a clean exit.
TEST(BrokerTest, AnOutageLosesNoReadingAndKeepsTheirOrder) {
    Broker broker;
    broker.start();
    Subscriber subscriber(broker);
    const int total = 250;
    QByteArray records;
    for (int n = 1; n <= total; ++n)
        records += QStringLiteral("Temp:%1 Hum:40.00 #%2\n")
                       .arg(20 + n % 50 * 0.1, 5, 'f', 2)
                       .arg(n, 5, 10, QLatin1Char('0'))
                       .toLatin1();
    Program program(
        {"--sensor", "replay:-", "--interval", "40", "--device", kDevice, "--mqtt", broker.url()},
        records);
    ASSERT_TRUE(waitUntil([&] { return subscriber.payloads(kTopic + "state").size() >= 20; }, true,
                          kWaitMs));
    broker.stop();
    QThread::sleep(10);
    broker.start();
    ASSERT_TRUE(
        waitUntil([&] { return numbers(subscriber.payloads(kTopic + "state")).contains(total); },
                  true, kWaitMs));
    program.process.closeWriteChannel();  // the replay ends: the link reports it lost
    EXPECT_TRUE(waitUntil(
        [&] { return subscriber.payloads(kTopic + "status").join().contains(R"("status":14)"); },
        true, kWaitMs));
    EXPECT_EQ(program.stop(), 0);
    EXPECT_TRUE(subscriber.waitFor(kTopic + "availability offline"));

    QList<int> got = numbers(subscriber.payloads(kTopic + "state"));
    EXPECT_TRUE(std::is_sorted(got.begin(), got.end()));
    got.erase(std::unique(got.begin(), got.end()), got.end());
    ASSERT_EQ(got.size(), total);
    EXPECT_EQ(got.front(), 1);
    EXPECT_EQ(got.back(), total);
    const QJsonObject first =
        QJsonDocument::fromJson(subscriber.payloads(kTopic + "state")[0]).object();
    EXPECT_EQ(first[u"temperature"].toDouble(), 20.1);
    EXPECT_EQ(first[u"humidity"].toDouble(), 40.0);
    EXPECT_EQ(subscriber.payloads(kTopic + "availability").first(), "online");
    // Sent on every connection: twice here.
    EXPECT_GE(
        subscriber.payloads("homeassistant/sensor/vell_thermo_c47f51001234/temperature/config")
            .size(),
        2);
    EXPECT_GE(
        subscriber.payloads("homeassistant/sensor/vell_thermo_c47f51001234/humidity/config").size(),
        2);
}

// A program that dies without a word is "offline" all the same: the broker's last will.
TEST(BrokerTest, AKilledProgramLeavesItsLastWill) {
    Broker broker;
    broker.start();
    Subscriber subscriber(broker);
    Program program(
        {"--sensor", "sim", "--interval", "100", "--device", kDevice, "--mqtt", broker.url()});
    ASSERT_TRUE(subscriber.waitFor(kTopic + "availability online"));
    EXPECT_EQ(program.stop(SIGKILL), -1);
    EXPECT_TRUE(subscriber.waitFor(kTopic + "availability offline"));
}

// A wrong password is a log line and another try later, never the end of the run; the right
// one from a credentials file gets in.
TEST(BrokerTest, ARefusedLoginIsALogLineAndARetry) {
    Broker broker("allow_anonymous false\npassword_file PASSWORDS\n");
    const QString passwords = broker.dir.filePath("passwords");
    ASSERT_EQ(QProcess::execute("mosquitto_passwd", {"-b", "-c", passwords, "vell", "right"}), 0);
    QFile conf(broker.dir.filePath("mosquitto.conf"));
    ASSERT_TRUE(conf.open(QIODevice::ReadWrite));
    const QByteArray text = conf.readAll().replace("PASSWORDS", QFile::encodeName(passwords));
    conf.resize(0);
    conf.write(text);
    conf.close();
    broker.start();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELL_MQTT_USERNAME", "vell");
    environment.insert("VELL_MQTT_PASSWORD", "wrong");
    const QStringList arguments{"--sensor", "sim", "--device", kDevice, "--mqtt", broker.url()};
    Program refused(arguments, {}, environment);
    QByteArray log;
    EXPECT_TRUE(waitUntil(
        [&] {
            log += refused.process.readAllStandardError();
            return log.count("refused the connection (Connection Refused: not authorised.)") >= 2;
        },
        true, kWaitMs))
        << log.toStdString();
    EXPECT_EQ(refused.stop(), 0);

    QFile credentials(broker.dir.filePath("credentials"));
    ASSERT_TRUE(credentials.open(QIODevice::WriteOnly));
    credentials.write("vell\nright\n");
    credentials.close();
    Program admitted(arguments + QStringList{"--mqtt-credentials", credentials.fileName()}, {},
                     environment);
    log.clear();
    EXPECT_TRUE(waitUntil(
        [&] {
            log += admitted.process.readAllStandardError();
            return log.contains("MQTT: connected to 127.0.0.1:");
        },
        true, kWaitMs))
        << log.toStdString();
}

}  // namespace
