#include "sensor/BleSupport.h"
#include "sensor/LineReader.h"
#include "sensor/ReplayTransport.h"

#include <QThread>
#include <QTimer>

#include "support/FakeTransport.h"
#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/Table.h"
#include "support/TempHome.h"
#include "support/Wait.h"

using namespace std::chrono_literals;

// Chunks fed to a reader of a line limit, whether the stream ends, and the lines taken.
class LineReaderRows : public TableTest {};
TEST_P(LineReaderRows, SplitsTheStreamIntoLinesAndCutsOverlongOnes) {
    const QJsonValue& row = GetParam().value;
    LineReader reader(row[1].toInt());
    QStringList taken;
    const auto feed = [&](const QString& chunk) {
        reader.feed(chunk.toLatin1());
        while (std::optional<QByteArray> line = reader.takeLine())
            taken << (reader.receivedLength() > line->size()
                          ? *line + '/' + QByteArray::number(reader.receivedLength())
                          : *line);
    };
    for (const QString& chunk : strings(row[2])) feed(chunk);
    if (row[3].toBool()) reader.finish();
    feed("");
    EXPECT_EQ(taken, strings(row[4]));
    EXPECT_EQ(reader.atEnd(), row[3].toBool());
}
VELL_TABLE(LineReaderRows, "line_reader.json");

TEST(BackoffTest, PausesDoubleUpToThirtySecondsAndStartOverAfterReset) {
    Backoff backoff;
    for (const auto pause : {1s, 2s, 4s, 8s, 16s, 30s, 30s}) EXPECT_EQ(backoff.next(), pause);
    for (int i = 0; i < 1000; ++i) backoff.next();  // no overflow however long the outage
    EXPECT_EQ(backoff.next(), 30s);
    backoff.reset();
    EXPECT_EQ(backoff.next(), 1s);
}

static void report(LinkSink& sink) {
    sink.status(1);
    sink.result("Temp:1");
}

// What links did. Their fake transports note their start, with the settings, and their end, and
// report as they start, at every turn of their thread's loop, and as they go, as BLE ones do.
class VellLumoTest : public ::testing::Test {
protected:
    void note(const QString& event) {
        if (QThread::currentThread() == qApp->thread()) onMain = true;
        seen.add(event);
    }
    QStringList take(qsizetype atLeast = 0) {  // what was noted, once there is that much
        waitUntil([&] { return seen.lines().size() >= atLeast; });
        const QStringList taken = seen.lines();
        seen.clear();
        return taken;
    }
    std::unique_ptr<VellLumo> open() {
        return VellLumo::initWithBTName(
            "VellTempture", [this](qint64 code) { note(QString::number(code)); },
            [this](const QByteArray& record) { note(record); });
    }

    LogCapture seen;
    FakeTransportScope transports{
        [this](FakeTransport& self, const LinkSettings& s, LinkSink& sink) {
            note(QStringList{s.btName, s.serviceUUID, s.receiveUUID, s.transmitUUID}.join(' '));
            report(sink);
            auto* timer = new QTimer(&self);
            QObject::connect(timer, &QTimer::timeout, [&sink] { report(sink); });
            timer->start(0);
            QObject::connect(&self, &QObject::destroyed, [this, &sink] {
                note("gone");
                report(sink);
            });
        }};
    std::atomic<bool> onMain{false};
};

// A link starts once the main loop turns, with the settings made by then; nothing is reported
// once cancel or the destructor returns, and a link gone before it starts never does.
TEST_F(VellLumoTest, ReportsOffTheMainThreadWithTheLatestSettingsUntilCancelled) {
    open()->cancel();
    EXPECT_TRUE(take().isEmpty());
    for (const bool destroy : {false, true}) {
        std::unique_ptr<VellLumo> link = open();
        QThread::msleep(50);  // a link that started at once would have begun by now
        link->setServiceUUID("FFE0");
        link->setReceiveUUID("FFE1");
        link->setTransmitUUID("FFE2");
        EXPECT_EQ(take(100).mid(0, 3), (QStringList{"VellTempture FFE0 FFE1 FFE2", "1", "Temp:1"}));
        destroy ? link.reset() : link->cancel();
        EXPECT_EQ(take().last(), "gone");
        waitUntil([] { return false; }, true, 50);
        EXPECT_EQ(take(), QStringList()) << destroy;
    }
    EXPECT_FALSE(onMain);
}

// Each line is a record without its line ending; the end of the input is reported once.
TEST_F(VellLumoTest, ReplayDeliversEveryLineInOrderThenReportsItsEndOnce) {
    VellLumo::setTransportFactory({});
    EXPECT_EQ(open(), nullptr);  // no transport, no link
    const TempHome dir;
    const std::pair<QString, QStringList> rows[] = {
        {dir.write("r.txt", "Temp:1\r\n\nTemp:2\nlast"), {"Temp:1", "", "Temp:2", "last", "15"}},
        {dir.write("empty.txt", {}), {"15"}},
        {dir.path() + "/missing.txt", {"15"}},
        {dir.path(), {"15"}}};
    for (const auto& [path, events] : rows) {
        VellLumo::setTransportFactory([&] { return std::make_unique<ReplayTransport>(path, 0); });
        const std::unique_ptr<VellLumo> link = open();
        waitUntil([] { return false; }, true, 50);  // and nothing after it
        EXPECT_EQ(take(events.size()), events) << path.toStdString();
    }
}
