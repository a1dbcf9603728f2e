#pragma once
// Finds the family's devices on the HID bus, opens each one as its device class, reads them all
// on a reader thread and hands every report to the GUI thread, where the device handles it.

#include "usb/devicetable.h"
#include "usb/hidtransport.h"
#include "usb/readerthreadhandoff.h"
#include "usb/tarnusbreport.h"
#include "usb/usbtimings.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <shared_mutex>

class UsbDevice;
class UsbManager;

class UsbManagerReaderThread : public QThread {
    Q_OBJECT
public:
    explicit UsbManagerReaderThread(UsbManager* manager)
        : manager(manager) {}

protected:
    void run() override;

private:
    UsbManager* manager;
};

// Opens a device of the family as the class that serves its kind; null when no class does (the
// handle then closes as it goes out of scope).
using TarnDeviceOpener = std::function<UsbDevice*(TarnDeviceKind kind, const QString& path,
                                                  std::unique_ptr<HidDevice> handle)>;

// A device of the family that is on the bus but cannot be opened (no permission, in use), and
// why: the next scans try again, and a device that has been given access opens as usual.
struct InaccessibleDevice {
    QString path;
    QString productName; // from the enumeration record, as is the serial number
    QString serialNumber;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    int error = 0; // the errno of the failed open
};

class UsbManager : public QObject {
    Q_OBJECT

public:
    static constexpr int kWaitTimeoutMs = 500;
    static constexpr int kPausedPollMs = 10;

    explicit UsbManager(TarnDeviceOpener opener, const UsbTimings& timings = UsbTimings(),
                        QObject* parent = nullptr);
    ~UsbManager() override;

signals:
    void onDeviceConnected(UsbDevice* device);
    // The device is deleted right after this signal returns.
    void onDeviceDisconnected(UsbDevice* device);
    // A device of the family cannot be opened, or now fails for another reason than before.
    void onDeviceInaccessible(const InaccessibleDevice& device);
    // The inaccessible device at `path` has been opened or has left the bus.
    void onInaccessibleDeviceGone(const QString& path);

public slots:
    void start(bool startPaused = false);
    void pause();
    void resume();
    void stop();
    QList<UsbDevice*> getDevices();
    QList<InaccessibleDevice> getInaccessibleDevices() const;
    UsbDevice* getDevice(const QString& id);
    bool rescanForTarnDevices();
    bool doRescanForTarnDevices(uint16_t vendorId, uint16_t productId);
    void tryReadFromTarnDevices();
    void readerThreadLoop();
    void doDeviceDisconnected(const QPointer<UsbDevice>& device);
    void doDeviceRead(const QPointer<UsbDevice>& device,
                      const QSharedPointer<TarnUsbReport>& report, uint64_t readTimeMicros);

protected:
    bool event(QEvent* event) override;

private:
    void queueRead(UsbDevice* device, const QSharedPointer<TarnUsbReport>& report);
    void noteInaccessible(const HidDeviceInfo& info, int error);
    // Forgets the inaccessible devices with these ids whose paths are not in `present`.
    void forgetInaccessible(uint16_t vendorId, uint16_t productId, const QList<QString>& present);

    TarnDeviceOpener opener;
    UsbTimings timings;
    std::atomic<bool> running{false};
    std::atomic<bool> paused{false};
    int waitTimeoutMs = kWaitTimeoutMs;
    QTimer rescanTimer;
    // A standard lock, not QReadWriteLock: libQt5Core is not built with ThreadSanitizer, so only
    // a standard lock lets ThreadSanitizer check what the map passes between the two threads.
    std::shared_mutex devicesLock;
    QMap<QString, UsbDevice*> devices;
    // Scanned and read on the GUI thread only.
    QMap<QString, InaccessibleDevice> inaccessible;
    UsbManagerReaderThread* readerThread = nullptr;
    std::unique_ptr<HidTransport> transport;
    ReaderThreadHandOff handOff;
};

// Wall-clock microseconds since 1970-01-01 UTC.
uint64_t currentTimeMicros();
