#include "sensor/SimulatedTransport.h"

#include "sensor/StatusCodes.h"

#include <algorithm>

namespace {
// The handshake before the first record is quick, as with a sensor close by.
constexpr int kHandshakeStepMs = 150;
}  // namespace

SimulatedTransport::SimulatedTransport(int interval) : intervalMs(std::max(0, interval)) {
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &SimulatedTransport::step);
}

void SimulatedTransport::start(const LinkSettings&, LinkSink& linkSink) {
    sink = &linkSink;
    step();
}

QByteArray SimulatedTransport::formatRecord(double t, double h) {
    // Both fields are five characters wide as long as the values stay within 10.00..99.99.
    return QStringLiteral("Temp:%1 Hum:%2")
        .arg(std::clamp(t, 10.0, 99.99), 5, 'f', 2)
        .arg(std::clamp(h, 10.0, 99.99), 5, 'f', 2)
        .toLatin1();
}

void SimulatedTransport::step() {
    switch (stage) {
        case 0:
            sink->status(StatusCode::Scanning);
            break;
        case 1:
            sink->status(StatusCode::FoundTarget);
            break;
        case 2:
            sink->status(StatusCode::Connecting);
            break;
        default: {
            // Like a real link, it is ready before its first record: the title says so.
            if (stage == 3) sink->status(StatusCode::Ready);
            std::normal_distribution<double> drift(0.0, 0.04);
            temperature = std::clamp(temperature + drift(random), 18.0, 30.0);
            humidity = std::clamp(humidity + drift(random) * 3, 35.0, 75.0);
            sink->result(formatRecord(temperature, humidity));
            break;
        }
    }
    ++stage;
    timer.start(stage <= 3 ? kHandshakeStepMs : intervalMs);
}
