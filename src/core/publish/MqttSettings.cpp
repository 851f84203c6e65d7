#include "publish/MqttSettings.h"

#include <QFile>
#include <QUrl>

namespace {
MqttSettings refused(const QString& problem) {
    MqttSettings settings;
    settings.problem = problem;
    return settings;
}
}  // namespace

MqttSettings MqttSettings::fromUrl(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts")))
        return refused(QStringLiteral("--mqtt takes mqtt://HOST[:PORT] or mqtts://HOST[:PORT]."));
    // Arguments show in the process list: a password there is anyone's.
    if (!url.userInfo().isEmpty())
        return refused(
            QStringLiteral("--mqtt takes no user name or password: use --mqtt-credentials FILE, or "
                           "VELL_MQTT_USERNAME and VELL_MQTT_PASSWORD."));
    if (url.host().isEmpty() || (!url.path().isEmpty() && url.path() != QLatin1String("/")) ||
        url.hasQuery() || url.hasFragment())
        return refused(QStringLiteral("--mqtt takes mqtt://HOST[:PORT] or mqtts://HOST[:PORT]."));
    MqttSettings settings;
    settings.host = url.host();
    settings.tls = scheme == QLatin1String("mqtts");
    settings.port = url.port(settings.tls ? 8883 : 1883);
    if (settings.port <= 0) return refused(QStringLiteral("--mqtt takes a port from 1 to 65535."));
    return settings;
}

void MqttSettings::loadCredentials(const QString& file) {
    if (file.isEmpty()) {
        username = qEnvironmentVariable("VELL_MQTT_USERNAME");
        password = qEnvironmentVariable("VELL_MQTT_PASSWORD");
        return;
    }
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("cannot read the MQTT credentials file %1.").arg(file);
        return;
    }
    // Two short lines; more would be a mistake, not credentials.
    const QList<QByteArray> lines = in.read(4096).split('\n');
    username = QString::fromUtf8(lines.value(0)).remove(QLatin1Char('\r'));
    password = QString::fromUtf8(lines.value(1)).remove(QLatin1Char('\r'));
    if (username.isEmpty())
        problem = QStringLiteral("the MQTT credentials file %1 has no user name.").arg(file);
}

QString MqttSettings::where() const {
    return QStringLiteral("%1:%2").arg(host).arg(port);
}
