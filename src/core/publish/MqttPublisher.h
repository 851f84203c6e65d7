#pragma once

#include "publish/MqttMessage.h"
#include "publish/MqttQueue.h"
#include "publish/MqttSettings.h"
#include "sensor/BleSupport.h"

#include <QDateTime>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct mosquitto;

// Publishes one thermometer's readings and link status to an MQTT broker, with Home Assistant
// discovery, an availability topic and a last will (docs/mqtt.md). It works on a thread of its
// own, so a slow broker or name lookup never holds up the link or the window. While the broker
// is away, messages wait in a bounded queue and go out in order once it is back; it tries again
// 1 s, 2 s, 4 s ... up to 30 s apart, as the sensor link does. Status goes to the log.
class MqttPublisher {
public:
    explicit MqttPublisher(MqttSettings settings);
    // Says "offline" and hands over what is queued, waiting at most kClosingTime for the broker.
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // The thermometer's address names the topics: nothing is published before it is known, and
    // the first one stays.
    void setDevice(const QString& address);
    void reading(const QDateTime& at, const QByteArray& record);
    void status(const QDateTime& at, qint64 code);

    static constexpr std::chrono::seconds kClosingTime{3};
    // A connection with no answer from the broker by then is given up and tried again.
    static constexpr std::chrono::seconds kConnectTimeout{10};
    static constexpr int kKeepAliveSeconds = 30;
    // Messages handed to the broker and not yet acknowledged, at most.
    static constexpr qsizetype kWindow = 16;

private:
    using Clock = std::chrono::steady_clock;

    void enqueue(std::optional<MqttMessage> message);
    void wake();
    void run();
    void startSession();
    void endSession(const QString& why);
    void serviceSocket(bool readable);
    void sendAnnouncement();
    void sendQueued();
    int pollTimeoutMs(Clock::time_point now) const;

    // libmosquitto's callbacks, on this object's thread.
    static void onConnect(mosquitto* client, void* self, int code);
    static void onPublish(mosquitto* client, void* self, int messageId);

    const MqttSettings settings;
    int wakePipe[2] = {-1, -1};
    std::atomic<bool> woken{false};  // a byte is in the pipe already

    std::mutex mutex;  // guards what follows, shared with the caller's thread
    std::optional<MqttTopics> topics;
    MqttQueue queue;
    bool stopping = false;

    // The thread's own state.
    mosquitto* client = nullptr;
    std::optional<MqttTopics> sessionTopics;
    std::vector<int> acknowledged;       // message ids the broker has taken, not yet off the queue
    bool announce = false;               // connected: discovery and "online" are due
    std::atomic<bool> connected{false};  // read by the caller's thread too
    QString refusal;  // why the broker refused the last attempt; empty: it did not
    Clock::time_point retryAt;
    Clock::time_point connectDeadline;
    Clock::time_point closingDeadline;
    bool closing = false;
    Backoff backoff;
    std::thread worker;
};
