#pragma once
// The system's HID devices through hidapi (hidraw backend on Linux).

#include "usb/hidtransport.h"

class HidapiTransport : public HidTransport {
public:
    HidapiTransport();           // hid_init
    ~HidapiTransport() override; // hid_exit once the last transport is gone

    std::vector<HidDeviceInfo> enumerate(uint16_t vendorId, uint16_t productId) override;
    HidOpenResult openPath(const std::string& path) override;
    int waitForAny(const std::vector<HidCompletionHandle>& handles, int timeoutMs) override;
};
