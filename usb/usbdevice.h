#pragma once
// Base of the four device classes: one object per open HID device, created and owned by the
// UsbManager. It writes 64-byte requests, resends the last one every retry interval until the
// device answers with anything but a joystick report, and receives the reports the manager
// delivers on the GUI thread.

#include "usb/hidtransport.h"
#include "usb/tarnusbreport.h"
#include "usb/usbtimings.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class UsbDevice : public QObject {
    Q_OBJECT

public:
    UsbDevice(const QString& path, std::unique_ptr<HidDevice> handle);
    ~UsbDevice() override;

    // Takes the intervals the manager runs with (the retry interval here).
    virtual void applyTimings(const UsbTimings& timings);

    // Non-blocking read of one report (the manager's read pass without a reader thread):
    // the byte count, 0 when nothing is pending, -1 on error.
    virtual int readReport(uint8_t* buffer);
    // Copies the report into lastRequest, writes it, and arms the retry when an answer is
    // awaited or the write failed.
    virtual void writeReport(const uint8_t* report, bool expectResponse);
    // Called on the GUI thread for every 64-byte report of this device.
    virtual void handleReport(TarnUsbReport* report, uint64_t readTimeMicros);

    // The open device, for the reader thread's asynchronous reads.
    HidDevice* hidDevice() const { return handle.get(); }

    const QString path;
    const QString productName;
    const QString serialNumber;

public slots:
    void retryOnTimeout();

protected:
    void writeRequest(const TarnRequest& request, bool expectResponse) {
        writeReport(request.data(), expectResponse);
    }
    // Every handler starts here: any report but a joystick report answers the pending request.
    void stopRetryUnlessJoystick(const TarnUsbReport* report);
    void setRetryInterval(int ms) { retryTimer.setInterval(ms); }

private:
    std::unique_ptr<HidDevice> handle;
    uint8_t lastRequest[kReportSize] = {};
    QTimer retryTimer;
};
