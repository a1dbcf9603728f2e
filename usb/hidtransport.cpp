#include "usb/hidtransport.h"

#include "usb/hidapitransport.h"
#include "usb/virtualbustransport.h"

#include <cerrno>
#include <cstdlib>
#include <poll.h>

std::wstring HidDevice::productString() {
    std::wstring own = deviceProductString();
    return own.empty() && attachedInfo ? attachedInfo->product : own;
}

std::wstring HidDevice::serialNumberString() {
    std::wstring own = deviceSerialNumberString();
    return own.empty() && attachedInfo ? attachedInfo->serialNumber : own;
}

std::wstring HidDevice::manufacturerString() {
    std::wstring own = deviceManufacturerString();
    return own.empty() && attachedInfo ? attachedInfo->manufacturer : own;
}

void HidDevice::setDeviceInfo(const HidDeviceInfo& info) {
    attachedInfo = std::make_unique<HidDeviceInfo>(info);
}

bool isPresentDespite(int openError) {
    return openError != ENOENT && openError != ENODEV && openError != ENXIO;
}

std::unique_ptr<HidTransport> HidTransport::create() {
    const char* bus = std::getenv("TARN_HID_BUS");
    if (bus && *bus)
        return std::make_unique<VirtualBusTransport>(bus);
    return std::make_unique<HidapiTransport>();
}

int pollForAny(const std::vector<HidCompletionHandle>& handles, int timeoutMs) {
    if (handles.empty())
        return HidTransport::kWaitFailed;
    std::vector<pollfd> fds(handles.size());
    for (size_t i = 0; i < handles.size(); ++i)
        fds[i] = pollfd{int(handles[i].native()), POLLIN, 0};
    int ready;
    do {
        ready = ::poll(fds.data(), fds.size(), timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0)
        return HidTransport::kWaitFailed;
    if (ready == 0)
        return HidTransport::kWaitTimeout;
    for (size_t i = 0; i < fds.size(); ++i) {
        // A hang-up or error also counts as ready: finishing the read reports it.
        if (fds[i].revents != 0)
            return int(i);
    }
    return HidTransport::kWaitTimeout;
}
