#include "usb/hidapitransport.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// hidapi keeps global state between hid_init and hid_exit; several transports may be alive at
// once (a probe inside a test, say), so only the last one out calls hid_exit.
std::atomic<int> hidapiUsers{0};

std::wstring fromHidapi(const wchar_t* text) {
    return text ? std::wstring(text) : std::wstring();
}

using StringGetter = int (*)(hid_device*, wchar_t*, size_t);

std::wstring readString(hid_device* device, StringGetter getter) {
    wchar_t buffer[256] = {};
    if (getter(device, buffer, 255) != 0)
        return {};
    return std::wstring(buffer);
}

// hidapi does not expose its descriptor, so the asynchronous read uses a descriptor of our own
// on the same hidraw node: the kernel gives every open file its own copy of each input report,
// and poll() on it tells when a report is waiting.
class HidapiDevice : public HidDevice {
public:
    HidapiDevice(hid_device* device, int readFd)
        : device(device)
        , readFd(readFd) {}
    ~HidapiDevice() override {
        ::close(readFd);
        hid_close(device);
    }

    int write(const uint8_t* data, size_t length) override {
        return hid_write(device, data, length);
    }
    int read(uint8_t* data, size_t length) override { return hid_read(device, data, length); }
    int setNonblocking(bool nonblocking) override {
        return hid_set_nonblocking(device, nonblocking ? 1 : 0);
    }

    HidCompletionHandle readBegin() override { return HidCompletionHandle(readFd); }

    int readFinish(uint8_t* data, size_t length) override {
        uint8_t report[4096];
        ssize_t count;
        do {
            count = ::read(readFd, report, sizeof report);
        } while (count < 0 && errno == EINTR);
        if (count < 0)
            return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
        std::copy(report, report + std::min<size_t>(size_t(count), length), data);
        return int(count);
    }

protected:
    std::wstring deviceProductString() override {
        return readString(device, hid_get_product_string);
    }
    std::wstring deviceSerialNumberString() override {
        return readString(device, hid_get_serial_number_string);
    }
    std::wstring deviceManufacturerString() override {
        return readString(device, hid_get_manufacturer_string);
    }

private:
    hid_device* device;
    int readFd;
};

} // namespace

HidapiTransport::HidapiTransport() {
    if (hidapiUsers++ == 0)
        hid_init();
}

HidapiTransport::~HidapiTransport() {
    if (--hidapiUsers == 0)
        hid_exit();
}

std::vector<HidDeviceInfo> HidapiTransport::enumerate(uint16_t vendorId, uint16_t productId) {
    std::vector<HidDeviceInfo> result;
    hid_device_info* list = hid_enumerate(vendorId, productId);
    for (hid_device_info* entry = list; entry; entry = entry->next) {
        HidDeviceInfo info;
        info.path = entry->path ? entry->path : "";
        info.vendorId = entry->vendor_id;
        info.productId = entry->product_id;
        info.serialNumber = fromHidapi(entry->serial_number);
        info.manufacturer = fromHidapi(entry->manufacturer_string);
        info.product = fromHidapi(entry->product_string);
        info.interfaceNumber = entry->interface_number;
        result.push_back(std::move(info));
    }
    hid_free_enumeration(list);
    return result;
}

namespace {
// hidapi keeps the errno of a failed open only in its error text: open the node the way it does
// to learn why.
int whyOpenFails(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    return EIO; // it opens now: hidapi failed after opening the node
}
} // namespace

HidOpenResult HidapiTransport::openPath(const std::string& path) {
    hid_device* device = hid_open_path(path.c_str());
    if (!device)
        return {nullptr, whyOpenFails(path)};
    int readFd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (readFd < 0) {
        int error = errno;
        hid_close(device);
        return {nullptr, error};
    }
    return {std::make_unique<HidapiDevice>(device, readFd), 0};
}

int HidapiTransport::waitForAny(const std::vector<HidCompletionHandle>& handles, int timeoutMs) {
    return pollForAny(handles, timeoutMs);
}
