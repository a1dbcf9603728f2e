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
    send(report, expectResponse, AnswerIndex());
}

void UsbDevice::writeRequest(const TarnRequest& request, bool expectResponse, AnswerIndex index) {
    send(request.data(), expectResponse, index);
}

void UsbDevice::send(const uint8_t* report, bool expectResponse, AnswerIndex index) {
    // An unawaited write while a request is outstanding (a test command during a load) does not
    // take the outstanding request's place in the retry.
    if (expectResponse || !awaiting) {
        std::memcpy(lastRequest, report, kReportSize);
        awaitedIndex = index;
    }
    const int written = handle->write(report, kReportSize);
    if (expectResponse) {
        awaiting = true;
        retryTimer.start();
    } else if (written < 0 && !awaiting) {
        retryTimer.start();
    }
}

void UsbDevice::handleReport(TarnUsbReport* report, uint64_t) {
    takeAnswer(report);
}

bool UsbDevice::takeAnswer(const TarnUsbReport* report) {
    if (!awaiting || report->data[1] != lastRequest[1])
        return false;
    if (awaitedIndex.size > 0 &&
        std::memcmp(report->data + awaitedIndex.offset, lastRequest + awaitedIndex.offset,
                    size_t(awaitedIndex.size)) != 0)
        return false;
    awaiting = false;
    retryTimer.stop();
    return true;
}

void UsbDevice::abandonRequest() {
    awaiting = false;
    retryTimer.stop();
}

void UsbDevice::retryOnTimeout() {
    const int written = handle->write(lastRequest, kReportSize);
    if (awaiting || written < 0)
        retryTimer.start();
}
