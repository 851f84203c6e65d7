#include "publish/MqttMessage.h"

#include "reading/ReadingRecord.h"
#include "reading/StatusWords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {
QString stamp(const QDateTime& at) {
    return at.toUTC().toString(Qt::ISODateWithMs);
}

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
}  // namespace

MqttTopics::MqttTopics(const QString& deviceAddress)
    : address(deviceAddress), id(deviceAddress.toLower().remove(QLatin1Char(':'))) {}

QByteArray MqttTopics::topic(const char* leaf) const {
    return "vell-thermo/" + id.toLatin1() + '/' + leaf;
}

QByteArray MqttTopics::availabilityTopic() const {
    return topic("availability");
}

std::optional<double> MqttTopics::number(const QString& field) {
    // Plain decimals only: "1e9", "nan" or "0x10" from a sensor are not readings to plot.
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    const QString text = field.trimmed();
    if (!decimal.match(text).hasMatch()) return std::nullopt;
    return text.toDouble();
}

std::optional<MqttMessage> MqttTopics::state(const QDateTime& at, const QByteArray& record) const {
    const std::optional<ReadingRecord::Fields> fields = ReadingRecord::fields(record);
    if (!fields) return std::nullopt;
    QJsonObject payload;
    if (const auto t = number(fields->temperature)) payload[u"temperature"] = *t;
    if (const auto h = number(fields->humidity)) payload[u"humidity"] = *h;
    payload[u"time"] = stamp(at);
    payload[u"record"] = QString::fromLatin1(record);
    return MqttMessage{topic("state"), compact(payload)};
}

std::optional<MqttMessage> MqttTopics::status(const QDateTime& at, qint64 code) const {
    const QString words = StatusWords::description(code);
    if (words.isNull()) return std::nullopt;
    return MqttMessage{topic("status"), compact({{QStringLiteral("status"), code},
                                                 {QStringLiteral("state"), words},
                                                 {QStringLiteral("time"), stamp(at)}})};
}

MqttMessage MqttTopics::availability(bool online) const {
    return {availabilityTopic(), online ? "online" : "offline"};
}

MqttMessage MqttTopics::sensor(const char* key, const char* name, const char* deviceClass,
                               const char* unit) const {
    const QString entity = QStringLiteral("vell_thermo_%1_%2").arg(id, QLatin1String(key));
    const QJsonObject device{
        {QStringLiteral("identifiers"), QJsonArray{QStringLiteral("vell_thermo_") + id}},
        {QStringLiteral("connections"),
         QJsonArray{QJsonArray{QStringLiteral("mac"), address.toLower()}}},
        {QStringLiteral("name"), QStringLiteral("Vell thermometer %1").arg(address)},
        {QStringLiteral("manufacturer"), QStringLiteral("Vell")},
        {QStringLiteral("model"), QStringLiteral("VellTempture")},
        {QStringLiteral("sw_version"), QStringLiteral(VELL_VERSION)}};
    const QJsonObject config{
        {QStringLiteral("name"), QString::fromUtf8(name)},
        {QStringLiteral("unique_id"), entity},
        {QStringLiteral("object_id"), entity},
        {QStringLiteral("device_class"), QString::fromLatin1(deviceClass)},
        {QStringLiteral("unit_of_measurement"), QString::fromUtf8(unit)},
        {QStringLiteral("state_class"), QStringLiteral("measurement")},
        {QStringLiteral("state_topic"), QString::fromLatin1(topic("state"))},
        // A reading without this number keeps the sensor's last value.
        {QStringLiteral("value_template"),
         QStringLiteral("{{ value_json.%1 | is_defined }}").arg(key)},
        {QStringLiteral("availability_topic"), QString::fromLatin1(availabilityTopic())},
        {QStringLiteral("device"), device}};
    return {"homeassistant/sensor/vell_thermo_" + id.toLatin1() + '/' + key + "/config",
            compact(config)};
}

std::vector<MqttMessage> MqttTopics::discovery() const {
    return {sensor("temperature", "Temperature", "temperature", "°C"),
            sensor("humidity", "Humidity", "humidity", "%")};
}
