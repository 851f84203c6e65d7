#pragma once

#include "sensor/LumoTransport.h"

#include <QTimer>

#include <random>

// A Vell sensor in software: it scans, finds and connects (status 1, 12, 2), is ready (13), then
// sends a record such as "Temp:23.45 Hum:56.78" every interval, both values drifting slowly.
class SimulatedTransport final : public LumoTransport {
    Q_OBJECT
public:
    explicit SimulatedTransport(int intervalMs = 1000);
    void start(const LinkSettings& settings, LinkSink& sink) override;

    // The record after the given values, as the sensor formats it (exactly 20 bytes).
    static QByteArray formatRecord(double temperature, double humidity);

private:
    void step();

    int intervalMs;
    LinkSink* sink = nullptr;
    QTimer timer;
    int stage = 0;
    double temperature = 23.4;
    double humidity = 56.8;
    std::mt19937 random{20261206};
};
