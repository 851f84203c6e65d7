#include "publish/MqttPublisher.h"

#include "platform/SystemLog.h"
#include "publish/MosquittoLibrary.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
using namespace std::chrono_literals;

QString seconds(std::chrono::milliseconds pause) {
    return QString::number(std::chrono::duration_cast<std::chrono::seconds>(pause).count());
}

// Only ever asked for once startSession has found the library there.
const MosquittoLibrary& api() {
    return *MosquittoLibrary::get();
}
}  // namespace

MqttPublisher::MqttPublisher(MqttSettings mqttSettings) : settings(std::move(mqttSettings)) {
    if (::pipe(wakePipe) == 0) {
        for (const int fd : wakePipe) {
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
    }
    worker = std::thread([this] { run(); });
}

MqttPublisher::~MqttPublisher() {
    {
        const std::lock_guard lock(mutex);
        stopping = true;
    }
    wake();
    worker.join();
    for (const int fd : wakePipe)
        if (fd >= 0) ::close(fd);
}

void MqttPublisher::setDevice(const QString& address) {
    {
        const std::lock_guard lock(mutex);
        if (topics || address.isEmpty()) return;
        topics.emplace(address);
    }
    wake();
}

void MqttPublisher::reading(const QDateTime& at, const QByteArray& record) {
    const std::lock_guard lock(mutex);
    if (topics) enqueue(topics->state(at, record));
}

void MqttPublisher::status(const QDateTime& at, qint64 code) {
    const std::lock_guard lock(mutex);
    if (topics) enqueue(topics->status(at, code));
}

void MqttPublisher::enqueue(std::optional<MqttMessage> message) {
    if (!message || stopping) return;
    queue.push(std::move(*message));
    if (connected) wake();  // otherwise it waits for the connection, which sends everything
}

void MqttPublisher::wake() {
    // One byte until the thread has looked: it takes everything queued by then in one go.
    if (woken.exchange(true)) return;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &byte, 1);  // full: already awake
}

void MqttPublisher::run() {
    retryAt = Clock::now();
    for (;;) {
        const Clock::time_point now = Clock::now();
        {
            const std::lock_guard lock(mutex);
            if (stopping && !closing) {
                // Not connected: nothing more can go out, and the will says "offline" already.
                if (!connected) break;
                closing = true;
                closingDeadline = now + kClosingTime;
                queue.push(topics->availability(false));
            }
            if (closing && (client == nullptr || queue.size() == 0 || now >= closingDeadline))
                break;
            if (const qsizetype dropped = queue.takeDropped(); dropped > 0)
                SystemLog::write(QStringLiteral("MQTT: the queue is full; dropped the %1 oldest "
                                                "messages.")
                                     .arg(dropped));
        }
        const bool known = [this] {
            const std::lock_guard lock(mutex);
            return topics.has_value();
        }();
        if (known && client == nullptr && !closing && now >= retryAt) startSession();
        if (client != nullptr && !connected && now >= connectDeadline)
            endSession(QStringLiteral("no answer"));

        const int socket = client != nullptr ? api().mosquitto_socket(client) : -1;
        pollfd wanted[2] = {{wakePipe[0], POLLIN, 0}, {socket, POLLIN, 0}};
        if (socket >= 0 && api().mosquitto_want_write(client)) wanted[1].events |= POLLOUT;
        const int ready =
            ::poll(wanted, socket >= 0 ? 2 : 1, known ? pollTimeoutMs(Clock::now()) : -1);
        if (ready < 0 && errno != EINTR) break;
        if ((wanted[0].revents & POLLIN) != 0) {
            char byte = 0;  // at most one is ever there
            [[maybe_unused]] const ssize_t n = ::read(wakePipe[0], &byte, 1);
            woken = false;  // after the read: a wake from now on leaves its byte
        }
        if (client != nullptr)
            serviceSocket((wanted[1].revents & (POLLIN | POLLERR | POLLHUP)) != 0);
        if (!acknowledged.empty()) {
            const std::lock_guard lock(mutex);
            for (const int id : acknowledged) queue.acknowledged(id);
            acknowledged.clear();
        }
        if (client != nullptr && announce) sendAnnouncement();
        if (client != nullptr && connected) sendQueued();
    }
    if (client != nullptr) {
        if (connected) {
            api().mosquitto_disconnect(client);
            api().mosquitto_loop_write(client, 1);
        }
        api().mosquitto_destroy(client);
        client = nullptr;
    }
}

int MqttPublisher::pollTimeoutMs(Clock::time_point now) const {
    // Keep-alive pings and the deadlines need a look now and then; nothing else wakes us early.
    Clock::time_point next = now + 1s;
    if (client == nullptr) next = std::min(next, retryAt);
    if (client != nullptr && !connected) next = std::min(next, connectDeadline);
    if (closing) next = std::min(next, closingDeadline);
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now);
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(wait.count(), 0, 1000));
}

void MqttPublisher::startSession() {
    if (MosquittoLibrary::get() == nullptr) return endSession(MosquittoLibrary::problem());
    {
        // The thread's own copy: libmosquitto's callbacks run under its locks, and must not
        // take ours, which is held around its calls.
        const std::lock_guard lock(mutex);
        sessionTopics = topics;
    }
    const QByteArray willTopic = sessionTopics->availabilityTopic();
    // A fresh client each time: libmosquitto keeps nothing of an old session to send twice, and
    // the queue alone decides what goes again.
    client = api().mosquitto_new(nullptr, true, this);
    if (client == nullptr) {
        endSession(QStringLiteral("out of memory"));
        return;
    }
    api().mosquitto_connect_callback_set(client, &MqttPublisher::onConnect);
    api().mosquitto_publish_callback_set(client, &MqttPublisher::onPublish);
    api().mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    api().mosquitto_max_inflight_messages_set(client, 0);  // the queue keeps its own window
    api().mosquitto_will_set(client, willTopic.constData(), 7, "offline", 1, true);
    if (!settings.username.isEmpty())
        api().mosquitto_username_pw_set(
            client, settings.username.toUtf8().constData(),
            settings.password.isEmpty() ? nullptr : settings.password.toUtf8().constData());
    if (settings.tls) {
        const QByteArray ca = settings.caFile.toLocal8Bit();
        const int rc = settings.caFile.isEmpty()
                           ? api().mosquitto_int_option(client, MOSQ_OPT_TLS_USE_OS_CERTS, 1)
                           : api().mosquitto_tls_set(client, ca.constData(), nullptr, nullptr,
                                                     nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            endSession(QString::fromUtf8(api().mosquitto_strerror(rc)));
            return;
        }
    }
    refusal.clear();
    connectDeadline = Clock::now() + kConnectTimeout;
    const QByteArray host = settings.host.toUtf8();
    const int rc =
        api().mosquitto_connect_async(client, host.constData(), settings.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS)
        endSession(rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                        : QString::fromUtf8(api().mosquitto_strerror(rc)));
}

void MqttPublisher::serviceSocket(bool readable) {
    int rc = MOSQ_ERR_SUCCESS;
    if (readable) rc = api().mosquitto_loop_read(client, 16);
    if (rc == MOSQ_ERR_SUCCESS && api().mosquitto_want_write(client))
        rc = api().mosquitto_loop_write(client, 16);
    if (rc == MOSQ_ERR_SUCCESS) rc = api().mosquitto_loop_misc(client);
    if (rc == MOSQ_ERR_SUCCESS) return;
    if (!refusal.isEmpty()) return endSession(refusal);
    endSession(rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                    : QString::fromUtf8(api().mosquitto_strerror(rc)));
}

void MqttPublisher::endSession(const QString& why) {
    const bool wasConnected = connected;
    if (client != nullptr) api().mosquitto_destroy(client);
    client = nullptr;
    connected = false;
    announce = false;
    {
        const std::lock_guard lock(mutex);
        for (const int id : acknowledged) queue.acknowledged(id);
        acknowledged.clear();
        queue.resendAll();
        if (closing) return;  // the run ends; nothing more to try
    }
    const std::chrono::milliseconds pause = backoff.next();
    retryAt = Clock::now() + pause;
    // A wrong password shows as a refusal, not as a broker out of reach.
    const QString what = !refusal.isEmpty() ? QStringLiteral("%1 refused the connection")
                         : wasConnected     ? QStringLiteral("lost %1")
                                            : QStringLiteral("cannot reach %1");
    SystemLog::write(QStringLiteral("MQTT: %1 (%2); trying again in %3 s.")
                         .arg(what.arg(settings.where()), why, seconds(pause)));
}

void MqttPublisher::sendQueued() {
    const std::lock_guard lock(mutex);
    while (queue.inFlight() < kWindow) {
        const MqttMessage* message = queue.nextToSend();
        if (message == nullptr) return;
        int id = 0;
        const int rc = api().mosquitto_publish(client, &id, message->topic.constData(),
                                               static_cast<int>(message->payload.size()),
                                               message->payload.constData(), 1, message->retain);
        if (rc != MOSQ_ERR_SUCCESS) return;  // the socket's error ends the session next round
        queue.sent(id);
    }
}

void MqttPublisher::onConnect(mosquitto*, void* self, int code) {
    auto* publisher = static_cast<MqttPublisher*>(self);
    if (code != 0) {
        // The broker closes the connection next; the session ends with this reason.
        publisher->refusal = QString::fromUtf8(api().mosquitto_connack_string(code));
        return;
    }
    publisher->connected = true;
    publisher->backoff.reset();
    SystemLog::write(QStringLiteral("MQTT: connected to %1.").arg(publisher->settings.where()));
    publisher->announce = true;  // once libmosquitto has returned
}

void MqttPublisher::sendAnnouncement() {
    // Discovery and "online" on every connection: a broker that lost its retained messages
    // learns them again. Ahead of the queue, so nothing is published before the device is.
    announce = false;
    std::vector<MqttMessage> first = sessionTopics->discovery();
    first.push_back(sessionTopics->availability(true));
    for (const MqttMessage& message : first)
        api().mosquitto_publish(client, nullptr, message.topic.constData(),
                                static_cast<int>(message.payload.size()),
                                message.payload.constData(), 1, message.retain);
}

void MqttPublisher::onPublish(mosquitto*, void* self, int messageId) {
    // Applied to the queue once libmosquitto has returned (see startSession).
    static_cast<MqttPublisher*>(self)->acknowledged.push_back(messageId);
}
