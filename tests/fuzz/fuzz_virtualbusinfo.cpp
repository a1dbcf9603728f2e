// The parser of the .info file beside each virtual device's socket.

#include "tests/fuzz/devicefuzzing.h"
#include "usb/virtualbustransport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HidDeviceInfo info;
    std::map<std::string, std::string> keys;
    if (VirtualBusTransport::parseInfo(std::string(reinterpret_cast<const char*>(data), size), info,
                                       keys)) {
        for (const std::wstring* text : {&info.product, &info.serialNumber, &info.manufacturer})
            readArgument(QString::fromStdWString(*text));
    }
    return 0;
}
