// The publisher's logic without a broker: the --mqtt URL, the payloads, the queue.

#include "publish/MqttMessage.h"
#include "publish/MqttQueue.h"
#include "publish/MqttSettings.h"

#include <QJsonObject>

#include "support/QtPrinters.h"

namespace {

QJsonValue table(const char* key) {
    QFile in(QStringLiteral(VELL_TEST_DATA "/mqtt.json"));
    EXPECT_TRUE(in.open(QIODevice::ReadOnly));
    return QJsonDocument::fromJson(in.readAll()).object()[QLatin1String(key)];
}

QJsonObject json(const QByteArray& payload) {
    return QJsonDocument::fromJson(payload).object();
}

const QDateTime kAt = QDateTime::fromMSecsSinceEpoch(1'796'000'000'123, Qt::UTC);

TEST(MqttSettingsTest, UrlsGiveTheirBrokerOrARefusal) {
    for (const QJsonValue& row : table("urls").toArray()) {
        SCOPED_TRACE(row[0].toString().toStdString());
        const MqttSettings settings = MqttSettings::fromUrl(row[0].toString());
        if (row.toArray().size() == 2) {
            EXPECT_TRUE(settings.problem.startsWith(row[1].toString())) << settings.problem.toStdString();
            continue;
        }
        EXPECT_EQ(settings.problem, QString());
        EXPECT_EQ(settings.host, row[1].toString());
        EXPECT_EQ(settings.port, row[2].toInt());
        EXPECT_EQ(settings.tls, row[3].toBool());
    }
}

TEST(MqttTopicsTest, StatesCarryNumbersOnlyWhereTheSensorSentNumbers) {
    const MqttTopics topics(QStringLiteral("C4:7F:51:00:12:34"));
    for (const QJsonValue& row : table("states").toArray()) {
        SCOPED_TRACE(row[0].toString().toStdString());
        const std::optional<MqttMessage> state = topics.state(kAt, row[0].toString().toLatin1());
        ASSERT_EQ(state.has_value(), !row[1].isNull());
        if (!state) continue;
        EXPECT_EQ(state->topic, "vell-thermo/c47f51001234/state");
        EXPECT_TRUE(state->retain);
        QJsonObject payload = json(state->payload);
        EXPECT_EQ(payload.take(u"time").toString(), "2026-11-30T00:53:20.123Z");
        EXPECT_EQ(payload, row[1].toObject()) << state->payload.toStdString();
    }
}

TEST(MqttTopicsTest, StatusAvailabilityAndDiscoveryNameTheDevice) {
    const MqttTopics topics(QStringLiteral("C4:7F:51:00:12:34"));
    const std::optional<MqttMessage> status = topics.status(kAt, 13);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->topic, "vell-thermo/c47f51001234/status");
    EXPECT_EQ(json(status->payload)[u"status"].toInt(), 13);
    EXPECT_EQ(json(status->payload)[u"state"].toString(), "connected");
    EXPECT_FALSE(topics.status(kAt, 99));  // no words, no message
    EXPECT_EQ(topics.availability(false),
              (MqttMessage{"vell-thermo/c47f51001234/availability", "offline", true}));

    const std::vector<MqttMessage> discovery = topics.discovery();
    ASSERT_EQ(discovery.size(), 2u);
    const QStringList kinds{"temperature", "humidity"}, units{"°C", "%"};
    for (size_t i = 0; i < 2; ++i) {
        const QString kind = kinds[static_cast<qsizetype>(i)];
        const QJsonObject config = json(discovery[i].payload);
        EXPECT_EQ(discovery[i].topic,
                  "homeassistant/sensor/vell_thermo_c47f51001234/" + kind.toLatin1() + "/config");
        EXPECT_TRUE(discovery[i].retain);
        EXPECT_EQ(config[u"device_class"].toString(), kind);
        EXPECT_EQ(config[u"unit_of_measurement"].toString(), units[static_cast<qsizetype>(i)]);
        EXPECT_EQ(config[u"state_topic"].toString(), "vell-thermo/c47f51001234/state");
        EXPECT_EQ(config[u"availability_topic"].toString(),
                  "vell-thermo/c47f51001234/availability");
        EXPECT_TRUE(config[u"value_template"].toString().contains("value_json." + kind));
        EXPECT_EQ(config[u"unique_id"].toString(), "vell_thermo_c47f51001234_" + kind);
        EXPECT_EQ(config[u"device"][u"identifiers"][0].toString(), "vell_thermo_c47f51001234");
    }
}

MqttMessage numbered(int n) {
    return {"t", QByteArray::number(n)};
}

QByteArrayList pending(MqttQueue& queue) {
    // What a fresh connection would send, in order; marks them in flight as it goes.
    QByteArrayList sent;
    for (int id = 100; const MqttMessage* next = queue.nextToSend(); ++id) {
        sent << next->payload;
        queue.sent(id);
    }
    return sent;
}

// In order, once each; what was in flight when the connection went goes again, first.
TEST(MqttQueueTest, KeepsOrderAcrossALostConnectionAndDropsOnlyAcknowledged) {
    MqttQueue queue;
    for (int n = 1; n <= 3; ++n) queue.push(numbered(n));
    EXPECT_EQ(pending(queue), (QByteArrayList{"1", "2", "3"}));
    EXPECT_EQ(queue.nextToSend(), nullptr);
    queue.acknowledged(100);
    queue.acknowledged(102);  // out of order: "3" waits behind "2"
    EXPECT_EQ(queue.size(), 2);
    queue.push(numbered(4));
    queue.resendAll();
    EXPECT_EQ(pending(queue), (QByteArrayList{"2", "3", "4"}));
    for (int id = 100; id <= 102; ++id) queue.acknowledged(id);
    EXPECT_EQ(queue.size(), 0);
    EXPECT_EQ(queue.inFlight(), 0);
}

// Past either bound the oldest go, counted, in flight or not; the newest always stays.
TEST(MqttQueueTest, DropsTheOldestPastItsBounds) {
    MqttQueue byCount(3, 1000);
    for (int n = 1; n <= 2; ++n) byCount.push(numbered(n));
    EXPECT_EQ(pending(byCount), (QByteArrayList{"1", "2"}));
    for (int n = 3; n <= 5; ++n) byCount.push(numbered(n));
    EXPECT_EQ(byCount.takeDropped(), 2);
    EXPECT_EQ(byCount.takeDropped(), 0);
    EXPECT_EQ(byCount.inFlight(), 0);
    EXPECT_EQ(pending(byCount), (QByteArrayList{"3", "4", "5"}));

    MqttQueue byBytes(100, 10);  // each message weighs 2 bytes and more
    for (int n = 1; n <= 5; ++n) byBytes.push(numbered(n * 100));  // 4 bytes each
    EXPECT_EQ(pending(byBytes), (QByteArrayList{"400", "500"}));
    byBytes.push({"t", QByteArray(50, 'x')});
    EXPECT_EQ(byBytes.size(), 1);
}

}  // namespace
