#include "usb/usbmanager.h"

#include "usb/usbdevice.h"

#include <QMetaObject>
#include <QMetaType>

#include <chrono>

Q_DECLARE_METATYPE(QPointer<UsbDevice>)
Q_DECLARE_METATYPE(QSharedPointer<TarnUsbReport>)

uint64_t currentTimeMicros() {
    using namespace std::chrono;
    return uint64_t(duration_cast<microseconds>(system_clock::now().time_since_epoch()).count());
}

void UsbManagerReaderThread::run() {
    manager->readerThreadLoop();
}

UsbManager::UsbManager(TarnDeviceOpener opener, const UsbTimings& timings, QObject* parent)
    : QObject(parent)
    , opener(std::move(opener))
    , timings(timings)
    , transport(HidTransport::create()) {
    rescanTimer.setTimerType(Qt::CoarseTimer);
    connect(&rescanTimer, &QTimer::timeout, this, &UsbManager::rescanForTarnDevices);
    qRegisterMetaType<QPointer<UsbDevice>>("QPointer<UsbDevice>");
    qRegisterMetaType<QSharedPointer<TarnUsbReport>>("QSharedPointer<TarnUsbReport>");
    qRegisterMetaType<uint64_t>("uint64_t");
}

UsbManager::~UsbManager() {
    stop();
}

void UsbManager::start(bool startPaused) {
    if (readerThread)
        return;
    running = true;
    paused = startPaused;
    rescanTimer.start(timings.rescanIntervalMs);
    // The reader thread picks up what a scan added at its next pass: no pass outlasts a scan.
    waitTimeoutMs = qMin(kWaitTimeoutMs, timings.rescanIntervalMs);
    readerThread = new UsbManagerReaderThread(this);
    readerThread->start(QThread::InheritPriority);
}

void UsbManager::pause() {
    paused = true;
}

void UsbManager::resume() {
    paused = false;
}

void UsbManager::stop() {
    running = false;
    rescanTimer.stop();
    if (readerThread) {
        readerThread->wait();
        handOff.receive();
        delete readerThread;
        readerThread = nullptr;
    }
    QMap<QString, UsbDevice*> remaining;
    {
        std::unique_lock<std::shared_mutex> locker(devicesLock);
        remaining.swap(devices);
    }
    for (UsbDevice* device : qAsConst(remaining)) {
        emit onDeviceDisconnected(device);
        delete device;
    }
    forgetInaccessible(0, 0, {});
}

QList<UsbDevice*> UsbManager::getDevices() {
    std::shared_lock<std::shared_mutex> locker(devicesLock);
    return devices.values();
}

QList<InaccessibleDevice> UsbManager::getInaccessibleDevices() const {
    return inaccessible.values();
}

UsbDevice* UsbManager::getDevice(const QString& id) {
    std::shared_lock<std::shared_mutex> locker(devicesLock);
    return devices.value(id, nullptr);
}

bool UsbManager::rescanForTarnDevices() {
    for (uint16_t productId : kScannedProductIds) {
        if (doRescanForTarnDevices(kTarnVendorId, productId))
            return true;
    }
    return false;
}

bool UsbManager::doRescanForTarnDevices(uint16_t vendorId, uint16_t productId) {
    QList<QString> openPaths;
    {
        std::shared_lock<std::shared_mutex> locker(devicesLock);
        openPaths = devices.keys();
    }

    QList<UsbDevice*> added;
    QList<QString> stillInaccessible;
    for (const HidDeviceInfo& info : transport->enumerate(vendorId, productId)) {
        if (info.vendorId != vendorId || info.productId != productId)
            continue;
        QString path = QString::fromStdString(info.path);
        if (openPaths.contains(path))
            continue;
        HidOpenResult opened = transport->openPath(info.path);
        if (!opened.device) {
            if (isPresentDespite(opened.error) &&
                tarnDeviceKind(productId, QString::fromStdWString(info.product)) !=
                    TarnDeviceKind::None) {
                noteInaccessible(info, opened.error);
                stillInaccessible.append(path);
            }
            continue;
        }
        std::unique_ptr<HidDevice> handle = std::move(opened.device);
        handle->setNonblocking(true);
        const TarnDeviceKind kind = identifyTarnDevice(productId, *handle, info);
        if (kind == TarnDeviceKind::None)
            continue;
        if (UsbDevice* device = opener(kind, path, std::move(handle))) {
            device->applyTimings(timings);
            added.append(device);
            openPaths.append(path);
        }
    }

    forgetInaccessible(vendorId, productId, stillInaccessible);
    for (UsbDevice* device : qAsConst(added)) {
        {
            std::unique_lock<std::shared_mutex> locker(devicesLock);
            devices.insert(device->path, device);
        }
        emit onDeviceConnected(device);
    }
    return !added.isEmpty();
}

void UsbManager::noteInaccessible(const HidDeviceInfo& info, int error) {
    const QString path = QString::fromStdString(info.path);
    auto known = inaccessible.constFind(path);
    if (known != inaccessible.constEnd() && known->error == error)
        return; // told once, not at every scan
    InaccessibleDevice device{path,
                              QString::fromStdWString(info.product),
                              QString::fromStdWString(info.serialNumber),
                              info.vendorId,
                              info.productId,
                              error};
    inaccessible.insert(path, device);
    emit onDeviceInaccessible(device);
}

void UsbManager::forgetInaccessible(uint16_t vendorId, uint16_t productId,
                                    const QList<QString>& present) {
    QList<QString> gone;
    for (const InaccessibleDevice& device : qAsConst(inaccessible)) {
        const bool scanned = (vendorId == 0 || device.vendorId == vendorId) &&
                             (productId == 0 || device.productId == productId);
        if (scanned && !present.contains(device.path))
            gone.append(device.path);
    }
    for (const QString& path : qAsConst(gone)) {
        inaccessible.remove(path);
        emit onInaccessibleDeviceGone(path);
    }
}

bool UsbManager::event(QEvent* event) {
    // Before anything reads the event: a queued call's event was built on the reader thread.
    handOff.receive();
    return QObject::event(event);
}

void UsbManager::queueRead(UsbDevice* device, const QSharedPointer<TarnUsbReport>& report) {
    uint64_t readTimeMicros = currentTimeMicros();
    handOff.send([&] {
        QMetaObject::invokeMethod(this, "doDeviceRead", Qt::QueuedConnection,
                                  Q_ARG(QPointer<UsbDevice>, QPointer<UsbDevice>(device)),
                                  Q_ARG(QSharedPointer<TarnUsbReport>, report),
                                  Q_ARG(uint64_t, readTimeMicros));
    });
}

void UsbManager::tryReadFromTarnDevices() {
    QList<UsbDevice*> list;
    {
        std::shared_lock<std::shared_mutex> locker(devicesLock);
        list = devices.values();
    }
    if (list.isEmpty()) {
        if (readerThread)
            QThread::msleep(waitTimeoutMs);
        return;
    }

    QList<UsbDevice*> failed;
    if (readerThread) {
        std::vector<HidCompletionHandle> handles;
        std::vector<UsbDevice*> waiting;
        for (UsbDevice* device : qAsConst(list)) {
            HidCompletionHandle handle = device->hidDevice()->readBegin();
            if (!handle.isValid()) {
                failed.append(device);
                continue;
            }
            handles.push_back(handle);
            waiting.push_back(device);
        }
        int ready = transport->waitForAny(handles, waitTimeoutMs);
        if (ready >= 0) {
            UsbDevice* device = waiting[size_t(ready)];
            auto report = QSharedPointer<TarnUsbReport>::create();
            int count = device->hidDevice()->readFinish(report->data, kReportSize);
            if (count < 0)
                failed.append(device);
            else if (count == kReportSize)
                queueRead(device, report);
        }
    } else {
        for (UsbDevice* device : qAsConst(list)) {
            auto report = QSharedPointer<TarnUsbReport>::create();
            int count = device->readReport(report->data);
            if (count < 0)
                failed.append(device);
            else if (count == kReportSize)
                queueRead(device, report);
        }
    }

    for (UsbDevice* device : qAsConst(failed)) {
        {
            std::unique_lock<std::shared_mutex> locker(devicesLock);
            auto entry = devices.find(device->path);
            if (entry != devices.end() && entry.value() == device)
                devices.erase(entry);
        }
        handOff.send([&] {
            QMetaObject::invokeMethod(this, "doDeviceDisconnected", Qt::QueuedConnection,
                                      Q_ARG(QPointer<UsbDevice>, QPointer<UsbDevice>(device)));
        });
    }
}

void UsbManager::readerThreadLoop() {
    while (running) {
        if (paused)
            QThread::msleep(kPausedPollMs); // paused: look again soon, without spinning a core
        else
            tryReadFromTarnDevices();
    }
    handOff.finishSending();
}

void UsbManager::doDeviceDisconnected(const QPointer<UsbDevice>& device) {
    if (!device)
        return;
    emit onDeviceDisconnected(device);
    delete device;
}

void UsbManager::doDeviceRead(const QPointer<UsbDevice>& device,
                              const QSharedPointer<TarnUsbReport>& report,
                              uint64_t readTimeMicros) {
    if (device)
        device->handleReport(report.data(), readTimeMicros);
}
