#include "publish/MqttQueue.h"

namespace {
qsizetype weight(const MqttMessage& message) {
    return message.topic.size() + message.payload.size();
}
}  // namespace

void MqttQueue::push(MqttMessage message) {
    bytes += weight(message);
    entries.push_back({std::move(message)});
    // Never drops the one just added: a message alone above the bounds still goes.
    while (entries.size() > 1 && (size() > maxMessages || bytes > maxBytes)) {
        bytes -= weight(entries.front().message);
        if (entries.front().messageId != 0) --flying;
        entries.pop_front();
        ++dropped;
    }
}

const MqttMessage* MqttQueue::nextToSend() const {
    if (flying >= size()) return nullptr;
    return &entries[static_cast<size_t>(flying)].message;
}

void MqttQueue::sent(int messageId) {
    if (flying >= size()) return;
    entries[static_cast<size_t>(flying)].messageId = messageId;
    ++flying;
}

void MqttQueue::acknowledged(int messageId) {
    for (qsizetype i = 0; i < flying; ++i) {
        Entry& entry = entries[static_cast<size_t>(i)];
        if (entry.messageId == messageId) {
            entry.acked = true;
            break;
        }
    }
    while (!entries.empty() && entries.front().acked) {
        bytes -= weight(entries.front().message);
        entries.pop_front();
        --flying;
    }
}

void MqttQueue::resendAll() {
    for (qsizetype i = 0; i < flying; ++i) {
        Entry& entry = entries[static_cast<size_t>(i)];
        entry.messageId = 0;
        entry.acked = false;
    }
    flying = 0;
}

qsizetype MqttQueue::takeDropped() {
    return std::exchange(dropped, 0);
}
