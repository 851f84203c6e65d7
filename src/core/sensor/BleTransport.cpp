#include "sensor/BleTransport.h"

#include "sensor/StatusCodes.h"

std::chrono::milliseconds BleTransport::connectTimeout() {
    // The integration tests shorten the wait for a sensor that never gets ready.
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("VELL_BLE_CONNECT_TIMEOUT_MS", &ok);
    if (ok && ms > 0) return std::chrono::milliseconds(ms);
    return kConnectTimeout;
}

BleTransport::BleTransport() {
    retryTimer.setSingleShot(true);
    connect(&retryTimer, &QTimer::timeout, this, &BleTransport::begin);
    connectTimer.setSingleShot(true);
    // The D-Bus backend never gives up on a connect by itself.
    connect(&connectTimer, &QTimer::timeout, this, &BleTransport::lost);
}

BleTransport::~BleTransport() {
    stopScan();
    dropConnection();
}

void BleTransport::start(const LinkSettings& linkSettings, LinkSink& linkSink) {
    settings = linkSettings;
    sink = &linkSink;
    serviceUuid = expandBluetoothUuid(settings.serviceUUID);
    receiveUuid = expandBluetoothUuid(settings.receiveUUID);
    if (!settings.address.isEmpty()) wanted = QBluetoothAddress(settings.address);
    // The transmit UUID is kept in the settings only: nothing is ever sent to the sensor.
    begin();
}

void BleTransport::begin() {
    retryTimer.stop();
    stopScan();
    dropConnection();
    const QList<QBluetoothHostInfo> hosts = QBluetoothLocalDevice::allDevices();
    if (hosts.isEmpty()) {
        if (phase != Phase::NoAdapter) sink->status(StatusCode::NoAdapter);
        phase = Phase::NoAdapter;
        local.reset();
        retryTimer.start(kAdapterPoll);
        return;
    }
    // A QBluetoothLocalDevice whose adapter went away stays dead (powered off, and silent) even
    // when the adapter comes back under the same address: make a new one.
    if (!local || !local->isValid() || adapter != hosts.first().address()) {
        adapter = hosts.first().address();
        local = std::make_unique<QBluetoothLocalDevice>(adapter);
        connect(local.get(), &QBluetoothLocalDevice::hostModeStateChanged, this,
                &BleTransport::onHostMode);
    }
    if (local->hostMode() == QBluetoothLocalDevice::HostPoweredOff) {
        if (phase != Phase::PoweredOff) sink->status(StatusCode::AdapterOff);
        phase = Phase::PoweredOff;
        // hostModeStateChanged brings us back; the poll covers an adapter swapped meanwhile.
        retryTimer.start(kAdapterPoll);
        return;
    }
    startScan();
}

void BleTransport::startScan() {
    agent = new QBluetoothDeviceDiscoveryAgent(adapter, this);
    agent->setLowEnergyDiscoveryTimeout(0);  // until we stop it
    connect(agent, &QBluetoothDeviceDiscoveryAgent::deviceDiscovered, this,
            &BleTransport::onDeviceFound);
    connect(agent, &QBluetoothDeviceDiscoveryAgent::deviceUpdated, this,
            [this](const QBluetoothDeviceInfo& device) { onDeviceFound(device); });
    connect(agent, &QBluetoothDeviceDiscoveryAgent::errorOccurred, this,
            &BleTransport::onScanError);
    connect(agent, &QBluetoothDeviceDiscoveryAgent::finished, this, &BleTransport::onScanFinished);
    phase = Phase::Scanning;
    sink->status(StatusCode::Scanning);
    agent->start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
    // start() reports the devices BlueZ already knows, or an error, before it returns: the
    // scan may be over and the agent gone by now.
    if (!agent) return;
    // Devices the adapter already knows are not always announced again.
    const QList<QBluetoothDeviceInfo> known = agent->discoveredDevices();
    for (const QBluetoothDeviceInfo& device : known) {
        if (phase != Phase::Scanning) break;
        onDeviceFound(device);
    }
}

void BleTransport::onDeviceFound(const QBluetoothDeviceInfo& device) {
    if (phase != Phase::Scanning || device.name() != settings.btName) return;
    if (!(device.coreConfigurations() & QBluetoothDeviceInfo::LowEnergyCoreConfiguration)) return;
    // With several thermometers in range, only the one asked for.
    if (!wanted.isNull() && device.address() != wanted) return;
    stopScan();
    sink->device(device.address().toString());
    sink->status(StatusCode::FoundTarget);
    connectTo(device);
}

void BleTransport::onScanError(QBluetoothDeviceDiscoveryAgent::Error error) {
    stopScan();
    switch (error) {
        case QBluetoothDeviceDiscoveryAgent::PoweredOffError:
            sink->status(StatusCode::AdapterOff);
            phase = Phase::PoweredOff;
            retryTimer.start(kAdapterPoll);
            return;
        case QBluetoothDeviceDiscoveryAgent::InvalidBluetoothAdapterError:
            sink->status(StatusCode::NoAdapter);
            phase = Phase::NoAdapter;
            retryTimer.start(kAdapterPoll);
            return;
        default:
            retryLater();
    }
}

void BleTransport::onScanFinished() {
    if (phase != Phase::Scanning) return;
    stopScan();
    retryLater();
}

void BleTransport::connectTo(const QBluetoothDeviceInfo& device) {
    controller = QLowEnergyController::createCentral(device, adapter, this);
    connect(controller, &QLowEnergyController::connected, controller,
            &QLowEnergyController::discoverServices);
    connect(controller, &QLowEnergyController::discoveryFinished, this,
            &BleTransport::onServicesDiscovered);
    connect(controller, &QLowEnergyController::disconnected, this, &BleTransport::lost);
    connect(controller, &QLowEnergyController::errorOccurred, this, &BleTransport::lost);
    phase = Phase::Connecting;
    sink->status(StatusCode::Connecting);
    connectTimer.start(connectTimeout());
    controller->connectToDevice();
}

void BleTransport::onServicesDiscovered() {
    if (phase != Phase::Connecting || !controller) return;
    if (!serviceUuid || !controller->services().contains(*serviceUuid)) {
        lost();
        return;
    }
    service = controller->createServiceObject(*serviceUuid, this);
    if (!service) {
        lost();
        return;
    }
    connect(service, &QLowEnergyService::stateChanged, this, &BleTransport::onServiceState);
    connect(service, &QLowEnergyService::descriptorWritten, this,
            &BleTransport::onDescriptorWritten);
    connect(service, &QLowEnergyService::characteristicChanged, this,
            &BleTransport::onCharacteristicChanged);
    connect(service, &QLowEnergyService::errorOccurred, this, &BleTransport::lost);
    service->discoverDetails();
}

void BleTransport::onServiceState(QLowEnergyService::ServiceState state) {
    if (state == QLowEnergyService::RemoteServiceDiscovered) enableNotifications();
}

void BleTransport::enableNotifications() {
    if (phase != Phase::Connecting || !service || !receiveUuid) return lost();
    const QLowEnergyCharacteristic receive = service->characteristic(*receiveUuid);
    const QLowEnergyDescriptor config =
        receive.descriptor(QBluetoothUuid::DescriptorType::ClientCharacteristicConfiguration);
    if (!receive.isValid() || !config.isValid()) return lost();
    service->writeDescriptor(config, QLowEnergyCharacteristic::CCCDEnableNotification);
}

void BleTransport::onDescriptorWritten(const QLowEnergyDescriptor& descriptor,
                                       const QByteArray& value) {
    if (phase != Phase::Connecting ||
        descriptor.uuid() !=
            QBluetoothUuid(QBluetoothUuid::DescriptorType::ClientCharacteristicConfiguration) ||
        value != QLowEnergyCharacteristic::CCCDEnableNotification)
        return;
    connectTimer.stop();
    backoff.reset();
    phase = Phase::Ready;
    sink->status(StatusCode::Ready);
}

void BleTransport::onCharacteristicChanged(const QLowEnergyCharacteristic& characteristic,
                                           const QByteArray& value) {
    if (phase == Phase::Ready && receiveUuid && characteristic.uuid() == *receiveUuid)
        sink->result(value);
}

void BleTransport::onHostMode(QBluetoothLocalDevice::HostMode mode) {
    if (mode == QBluetoothLocalDevice::HostPoweredOff) {
        const bool linked = phase == Phase::Connecting || phase == Phase::Ready;
        stopScan();
        dropConnection();
        if (linked) sink->status(StatusCode::Disconnected);
        if (phase != Phase::PoweredOff) sink->status(StatusCode::AdapterOff);
        phase = Phase::PoweredOff;
        retryTimer.start(kAdapterPoll);
    } else if (phase == Phase::PoweredOff) {
        backoff.reset();
        begin();
    }
}

void BleTransport::lost() {
    if (phase != Phase::Connecting && phase != Phase::Ready) return;
    connectTimer.stop();
    dropConnection();
    sink->status(StatusCode::Disconnected);
    retryLater();
}

void BleTransport::retryLater() {
    phase = Phase::Waiting;
    retryTimer.start(backoff.next());
}

void BleTransport::stopScan() {
    if (!agent) return;
    agent->disconnect(this);
    agent->stop();
    agent->deleteLater();
    agent = nullptr;
}

void BleTransport::dropConnection() {
    connectTimer.stop();
    if (service) {
        service->disconnect(this);
        service->deleteLater();
        service = nullptr;
    }
    if (controller) {
        controller->disconnect(this);
        controller->disconnectFromDevice();
        controller->deleteLater();
        controller = nullptr;
    }
}
