#pragma once

#include "sensor/BleSupport.h"
#include "sensor/LumoTransport.h"

#include <QBluetoothAddress>
#include <QBluetoothDeviceDiscoveryAgent>
#include <QBluetoothLocalDevice>
#include <QLowEnergyController>
#include <QLowEnergyService>
#include <QPointer>
#include <QTimer>

#include <memory>

// The real sensor over Bluetooth LE: scans for the device with the sensor's name, connects as a
// central, turns on notifications of the receive characteristic and hands every notification
// on. It keeps at it through drop-outs, with growing pauses, until it is destroyed.
class BleTransport final : public LumoTransport {
    Q_OBJECT
public:
    BleTransport();
    ~BleTransport() override;
    void start(const LinkSettings& settings, LinkSink& sink) override;

    // A connect that has not become ready by then counts as lost.
    static constexpr std::chrono::seconds kConnectTimeout{15};
    // kConnectTimeout, or VELL_BLE_CONNECT_TIMEOUT_MS when that holds a positive number.
    static std::chrono::milliseconds connectTimeout();
    // How often to look again for an adapter when there is none, or it is off.
    static constexpr std::chrono::seconds kAdapterPoll{2};

private:
    enum class Phase { Idle, NoAdapter, PoweredOff, Scanning, Connecting, Ready, Waiting };

    void begin();
    void startScan();
    void connectTo(const QBluetoothDeviceInfo& device);
    void enableNotifications();
    void lost();
    void retryLater();
    void stopScan();
    void dropConnection();

    // QBluetoothDeviceDiscoveryAgent
    void onDeviceFound(const QBluetoothDeviceInfo& device);
    void onScanError(QBluetoothDeviceDiscoveryAgent::Error error);
    void onScanFinished();
    // QLowEnergyController
    void onServicesDiscovered();
    // QLowEnergyService
    void onServiceState(QLowEnergyService::ServiceState state);
    void onDescriptorWritten(const QLowEnergyDescriptor& descriptor, const QByteArray& value);
    void onCharacteristicChanged(const QLowEnergyCharacteristic& characteristic,
                                 const QByteArray& value);
    // QBluetoothLocalDevice
    void onHostMode(QBluetoothLocalDevice::HostMode mode);

    LinkSink* sink = nullptr;
    LinkSettings settings;
    std::optional<QBluetoothUuid> serviceUuid;
    std::optional<QBluetoothUuid> receiveUuid;
    QBluetoothAddress wanted;  // null: any device with the name
    Phase phase = Phase::Idle;
    Backoff backoff;
    QTimer retryTimer;
    QTimer connectTimer;
    QBluetoothAddress adapter;
    std::unique_ptr<QBluetoothLocalDevice> local;
    QPointer<QBluetoothDeviceDiscoveryAgent> agent;
    QPointer<QLowEnergyController> controller;
    QPointer<QLowEnergyService> service;
};
