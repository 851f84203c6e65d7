#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

// One message for the broker. All are sent with QoS 1.
struct MqttMessage {
    QByteArray topic;
    QByteArray payload;
    bool retain = true;

    friend bool operator==(const MqttMessage&, const MqttMessage&) = default;
};

// The topics and payloads for one thermometer (docs/mqtt.md): its readings and its link's
// status under vell-thermo/<id>/, and Home Assistant's discovery under homeassistant/.
class MqttTopics {
public:
    // address: "C4:7F:51:00:12:34"; its id in topics is "c47f51001234".
    explicit MqttTopics(const QString& address);

    const QString& deviceId() const { return id; }
    QByteArray availabilityTopic() const;

    // {"temperature":23.41,"humidity":56.69,"time":"...","record":"..."}: a field that is not a
    // plain decimal number is left out; nothing for a record that is no reading.
    std::optional<MqttMessage> state(const QDateTime& at, const QByteArray& record) const;
    // {"status":13,"state":"connected","time":"..."}; nothing for a code without words.
    std::optional<MqttMessage> status(const QDateTime& at, qint64 code) const;
    MqttMessage availability(bool online) const;
    // A temperature sensor (°C) and a humidity sensor (%), one device.
    std::vector<MqttMessage> discovery() const;

    // The number a field holds, such as "23.41", "-5.5" or " 7"; nothing for anything else.
    static std::optional<double> number(const QString& field);

private:
    QByteArray topic(const char* leaf) const;
    MqttMessage sensor(const char* key, const char* name, const char* deviceClass,
                       const char* unit) const;

    QString address;
    QString id;
};
