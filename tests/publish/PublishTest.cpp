// The publisher's logic without a broker: the --mqtt URL, the payloads, the queue.

#include "publish/MqttMessage.h"
#include "publish/MqttQueue.h"
#include "publish/MqttSettings.h"

#include <QJsonArray>
#include <QJsonObject>

#include "support/QtPrinters.h"
#include "support/Table.h"

namespace {

QJsonObject json(const QByteArray& payload) {
    return QJsonDocument::fromJson(payload).object();
}

const QDateTime kAt = QDateTime::fromMSecsSinceEpoch(1'796'000'000'123, Qt::UTC);

class MqttUrlRows : public TableTest {};
TEST_P(MqttUrlRows, GiveTheirBrokerOrARefusal) {
    const QJsonValue& row = GetParam().value;
    const MqttSettings settings = MqttSettings::fromUrl(row[0].toString());
    if (row.toArray().size() == 2) {
        EXPECT_TRUE(settings.problem.startsWith(row[1].toString()))
            << settings.problem.toStdString();
        return;
    }
    EXPECT_EQ(settings.problem, QString());
    EXPECT_EQ(settings.host, row[1].toString());
    EXPECT_EQ(settings.port, row[2].toInt());
    EXPECT_EQ(settings.tls, row[3].toBool());
}
VELL_TABLE(MqttUrlRows, "mqtt-urls.json");

class MqttStateRows : public TableTest {};
TEST_P(MqttStateRows, CarryNumbersOnlyWhereTheSensorSentNumbers) {
    const QJsonValue& row = GetParam().value;
    const MqttTopics topics(QStringLiteral("C4:7F:51:00:12:34"));
    const std::optional<MqttMessage> state = topics.state(kAt, row[0].toString().toLatin1());
    ASSERT_EQ(state.has_value(), !row[1].isNull());
    if (!state) return;
    EXPECT_EQ(state->topic, "vell-thermo/c47f51001234/state");
    EXPECT_TRUE(state->retain);
    QJsonObject payload = json(state->payload);
    EXPECT_EQ(payload.take(u"time").toString(), "2026-11-30T00:53:20.123Z");
    EXPECT_EQ(payload, row[1].toObject()) << state->payload.toStdString();
}
VELL_TABLE(MqttStateRows, "mqtt-states.json");

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
    // The messages in the order made: one test, its failures naming the row.
    const std::vector<TableRow> expected = tableRows("mqtt-messages.json");
    ASSERT_EQ(made.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(asJson(made[i]), expected[i].value) << ::testing::PrintToString(expected[i]);
}

class MqttQueueRows : public TableTest {};
TEST_P(MqttQueueRows, KeepOrderAcrossLostConnectionsAndDropTheOldestPastTheirBounds) {
    const QJsonValue& row = GetParam().value;
    MqttQueue queue(row["messages"].toInt(), row["bytes"].toInt());
    QMap<QByteArray, int> ids;  // each payload's last message id
    int nextId = 1;
    QStringList printed;
    for (const QString& step : strings(row["steps"])) {
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
    EXPECT_EQ(printed, strings(row["gives"]));
}
VELL_TABLE(MqttQueueRows, "mqtt-queue.json");

}  // namespace
