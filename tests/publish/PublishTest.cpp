// The publisher's logic without a broker: the --mqtt URL, the payloads, the queue.

#include "publish/MqttMessage.h"
#include "publish/MqttQueue.h"
#include "publish/MqttSettings.h"

#include <QJsonArray>
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
            EXPECT_TRUE(settings.problem.startsWith(row[1].toString()))
                << settings.problem.toStdString();
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

// A message as the table writes it: the payload parsed when it is JSON.
QJsonValue asJson(const std::optional<MqttMessage>& message) {
    if (!message) return QJsonValue::Null;
    const QJsonDocument payload = QJsonDocument::fromJson(message->payload);
    return QJsonObject{
        {"topic", QString::fromUtf8(message->topic)},
        {"retain", message->retain},
        {"payload", payload.isObject() ? QJsonValue(payload.object())
                                       : QJsonValue(QString::fromUtf8(message->payload))}};
}

TEST(MqttTopicsTest, DiscoveryAvailabilityAndStatusNameTheDeviceAndItsTopics) {
    const MqttTopics topics(QStringLiteral("C4:7F:51:00:12:34"));
    const std::vector<MqttMessage> discovery = topics.discovery();
    std::vector<std::optional<MqttMessage>> made(discovery.begin(), discovery.end());
    made.insert(made.end(), {topics.availability(true), topics.availability(false),
                             topics.status(kAt, 13), topics.status(kAt, 99)});
    const QJsonArray expected = table("messages").toArray();
    ASSERT_EQ(static_cast<qsizetype>(made.size()), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(asJson(made[static_cast<size_t>(i)]), expected[i]) << "message " << i + 1;
}

TEST(MqttQueueTest, KeepsOrderAcrossLostConnectionsAndDropsTheOldestPastItsBounds) {
    for (const QJsonValue& row : table("queue").toArray()) {
        SCOPED_TRACE(row[0].toString().toStdString());
        MqttQueue queue(row[1].toInt(), row[2].toInt());
        QMap<QByteArray, int> ids;  // each payload's last message id
        int nextId = 1;
        QStringList printed;
        for (const QString& step : strings(row[3])) {
            if (step.startsWith(u'+')) {
                queue.push({"t", step.mid(1).toLatin1()});
            } else if (step == u"send") {
                QStringList sent;
                for (const MqttMessage* next; (next = queue.nextToSend()) != nullptr;) {
                    sent << next->payload;
                    queue.sent(ids[next->payload] = nextId++);
                }
                printed << sent.join(u' ');
            } else if (step.startsWith(u"ack ")) {
                queue.acknowledged(ids.value(step.mid(4).toLatin1(), -1));
            } else if (step == u"lost") {
                queue.resendAll();
            } else {
                printed << QStringLiteral("size %1 flight %2 dropped %3")
                               .arg(queue.size())
                               .arg(queue.inFlight())
                               .arg(queue.takeDropped());
            }
        }
        EXPECT_EQ(printed, strings(row[4]));
    }
}

}  // namespace
