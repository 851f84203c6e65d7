#pragma once

#include <QString>

// Where and how to reach an MQTT broker: from --mqtt mqtt://HOST[:PORT] or mqtts://HOST[:PORT],
// --mqtt-ca and the credentials, which never come from the command line.
struct MqttSettings {
    QString host;
    int port = 1883;
    bool tls = false;
    QString caFile;  // empty with tls: the system's certificate authorities
    QString username;
    QString password;
    QString problem;  // why these settings cannot be used; empty when they can

    static MqttSettings fromUrl(const QString& url);

    // The user name and password: the first two lines of file, or, without a file,
    // VELL_MQTT_USERNAME and VELL_MQTT_PASSWORD. Sets problem when the file cannot be read.
    void loadCredentials(const QString& file);

    // "host:port", for log lines.
    QString where() const;
};
