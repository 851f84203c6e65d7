#pragma once

#include "publish/MqttMessage.h"

#include <deque>

// The messages not yet acknowledged by the broker, oldest first. Those at the front may have
// been handed to the broker already ("in flight"); a lost connection sends them again. Past its
// bounds it drops the oldest, and counts them: memory stays bounded through any outage.
class MqttQueue {
public:
    // A day of readings at one a second, with room for status messages.
    static constexpr qsizetype kMaxMessages = 100'000;
    static constexpr qsizetype kMaxBytes = 64 * 1024 * 1024;

    explicit MqttQueue(qsizetype maxMessages = kMaxMessages, qsizetype maxBytes = kMaxBytes)
        : maxMessages(maxMessages), maxBytes(maxBytes) {}

    void push(MqttMessage message);

    // The next message to hand to the broker, or null when all are in flight already.
    const MqttMessage* nextToSend() const;
    // Marks the message nextToSend() gave as in flight under the broker's message id.
    void sent(int messageId);
    // The broker has the message with this id: it and any acknowledged before it leave.
    void acknowledged(int messageId);
    // The connection is gone: whatever was in flight is sent again, in the same order.
    void resendAll();

    qsizetype size() const { return static_cast<qsizetype>(entries.size()); }
    qsizetype inFlight() const { return flying; }
    // Messages dropped for room since the last call.
    qsizetype takeDropped();

private:
    struct Entry {
        MqttMessage message;
        int messageId = 0;  // 0: not in flight
        bool acked = false;
    };

    qsizetype maxMessages;
    qsizetype maxBytes;
    std::deque<Entry> entries;
    qsizetype bytes = 0;
    qsizetype flying = 0;  // entries at the front that are in flight
    qsizetype dropped = 0;
};
