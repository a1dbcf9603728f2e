#include "usb/usbdevice.h"

#include <cstring>

namespace {
QString fromWide(const std::wstring& text) {
    return QString::fromStdWString(text);
}
} // namespace

UsbDevice::UsbDevice(const QString& path, std::unique_ptr<HidDevice> device)
    : path(path)
    , productName(fromWide(device->productString()))
    , serialNumber(fromWide(device->serialNumberString()))
    , handle(std::move(device)) {
    retryTimer.setSingleShot(true);
    retryTimer.setInterval(UsbTimings().retryIntervalMs);
    connect(&retryTimer, &QTimer::timeout, this, &UsbDevice::retryOnTimeout);
}

UsbDevice::~UsbDevice() = default;

void UsbDevice::applyTimings(const UsbTimings& timings) {
    retryTimer.setInterval(timings.retryIntervalMs);
}

int UsbDevice::readReport(uint8_t* buffer) {
    return handle->read(buffer, kReportSize);
}

void UsbDevice::writeReport(const uint8_t* report, bool expectResponse) {
    if (report != lastRequest)
        std::memcpy(lastRequest, report, kReportSize);
    int written = handle->write(lastRequest, kReportSize);
    if (written < 0 || expectResponse)
        retryTimer.start();
}

void UsbDevice::handleReport(TarnUsbReport* report, uint64_t) {
    stopRetryUnlessJoystick(report);
}

void UsbDevice::stopRetryUnlessJoystick(const TarnUsbReport* report) {
    if (report->data[0] != kJoystickReportId)
        retryTimer.stop();
}

void UsbDevice::retryOnTimeout() {
    writeReport(lastRequest, true);
}
