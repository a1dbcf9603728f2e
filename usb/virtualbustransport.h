#pragma once
// The virtual device bus: a directory in which every device is a listening SOCK_SEQPACKET Unix
// socket NAME.sock with its description NAME.info. Test suites, the demo and external simulators
// reach the tool this way.

#include "usb/hidtransport.h"

#include <map>

class VirtualBusTransport : public HidTransport {
public:
    explicit VirtualBusTransport(std::string directory);

    std::vector<HidDeviceInfo> enumerate(uint16_t vendorId, uint16_t productId) override;
    HidOpenResult openPath(const std::string& path) override;
    int waitForAny(const std::vector<HidCompletionHandle>& handles, int timeoutMs) override;

    // Parses the key=value text of a NAME.info file; false when a required key is missing.
    static bool parseInfo(const std::string& text, HidDeviceInfo& info,
                          std::map<std::string, std::string>& keys);

private:
    std::string directory;
};
