#include "tests/support/directdevice.h"

#include "usb/usbmanager.h"
#include "usb/virtualbustransport.h"

ReportPump::ReportPump(UsbDevice* device)
    : device(device) {
    notifier = std::make_unique<QSocketNotifier>(device->hidDevice()->readBegin().native(),
                                                 QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, &ReportPump::readAll);
}

void ReportPump::readAll() {
    for (;;) {
        TarnUsbReport report{};
        int count = device->hidDevice()->readFinish(report.data, kReportSize);
        if (count == 0)
            return;
        if (count < 0) {
            notifier->setEnabled(false);
            return;
        }
        if (count == kReportSize)
            device->handleReport(&report, currentTimeMicros());
    }
}

std::unique_ptr<HidDevice> openVirtualDevice(const VirtualDevice& device) {
    VirtualBusTransport transport("/");
    std::unique_ptr<HidDevice> handle = transport.openPath(device.socketPath()).device;
    if (handle)
        handle->setNonblocking(true);
    return handle;
}
