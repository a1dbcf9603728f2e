#pragma once
// The family's devices as tarnctl finds them: the device manager the window uses scans the bus,
// opens each device as its kind's class (same timings, retries and access diagnosis) and reads
// them on its reader thread. Commands name a device by its kind or its serial number, and load
// it as the window does when it is selected.

#include "usb/deviceslock.h"
#include "usb/usbmanager.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class UsbDevice;
class UsbSettingsDevice;
struct DeviceKind;

// The device a command named, or why there is none (an exit status and the message).
struct NamedDevice {
    UsbDevice* device = nullptr;
    const DeviceKind* kind = nullptr;
    // Set by findLoadedSettings() only: the device, loaded.
    UsbSettingsDevice* settings = nullptr;
    int status = 0;
    QString message;
};

class AttachedDevices : public QObject {
    Q_OBJECT

public:
    // How long a device may take to answer a whole exchange before it counts as not answering.
    static constexpr int kAnswerTimeoutMs = 15000;

    AttachedDevices();
    ~AttachedDevices() override;

    // Takes the devices lock, scans every product id of the family once and starts reading
    // what it opened; the periodic scan adds what is plugged in later. False while another
    // program holds the lock.
    bool take();
    bool holdsDevices() const { return held; }
    // The program that holds the lock, when take() failed.
    QString holderText() const { return devicesLock.holderText(); }
    // Closes every device (each one signalled as disconnected) and gives the lock up.
    void release();

    // Open devices, by path.
    QList<UsbDevice*> devices();
    QList<InaccessibleDevice> inaccessible() const { return manager.getInaccessibleDevices(); }

    // The device `name` (a kind or a serial number) stands for.
    NamedDevice find(const QString& name);
    // The device with profiles `name` stands for, loaded; none when it is a bootloader or fails
    // to load.
    NamedDevice findLoadedSettings(const QString& name);

    // Reads the device's settings (a bootloader: its versions) as the window does on selecting
    // it. The error text, empty on success.
    QString load(UsbDevice* device);

    UsbManager& usbManager() { return manager; }

private:
    DevicesLock devicesLock;
    bool held = false;
    UsbManager manager;
};

// The line that names an inaccessible device, why, and the fix.
QString inaccessibleText(const InaccessibleDevice& device);

// Runs the event loop until `done` holds, for at most `timeoutMs`; false when it timed out or
// the user interrupted (Ctrl-C).
bool waitUntil(const std::function<bool()>& done, int timeoutMs);

// From now on Ctrl-C ends the waits instead of the program.
void catchInterrupt();
bool wasInterrupted();
// Forgets an interrupt seen, so that the next one ends the waits again.
void forgetInterrupt();
