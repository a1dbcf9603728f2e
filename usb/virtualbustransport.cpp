#include "usb/virtualbustransport.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::string trimmed(const std::string& text) {
    const char* space = " \t\r\n";
    size_t first = text.find_first_not_of(space);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// UTF-8 to wide string; the info files carry the device's strings in UTF-8.
std::wstring widened(const std::string& utf8) {
    std::wstring result;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char lead = utf8[i];
        int extra = lead < 0x80         ? 0
                    : (lead >> 5) == 6  ? 1
                    : (lead >> 4) == 14 ? 2
                    : (lead >> 3) == 30 ? 3
                                        : -1;
        if (extra < 0 || i + size_t(extra) >= utf8.size()) {
            result.push_back(L'\uFFFD');
            ++i;
            continue;
        }
        uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = utf8[i + k];
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid) {
            result.push_back(L'\uFFFD');
            ++i;
            continue;
        }
        result.push_back(wchar_t(code));
        i += size_t(extra) + 1;
    }
    return result;
}

bool parseId(const std::string& text, uint16_t& id) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    unsigned long value = std::strtoul(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value > 0xFFFF)
        return false;
    id = uint16_t(value);
    return true;
}

bool readSmallFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
    return text.size() <=
           size_t(64) * 1024; // an info file is a few lines; anything larger is not one
}

class VirtualBusDevice : public HidDevice {
public:
    VirtualBusDevice(int socketFd, std::wstring product, std::wstring serial, std::wstring maker)
        : fd(socketFd)
        , product(std::move(product))
        , serial(std::move(serial))
        , manufacturer(std::move(maker)) {}
    ~VirtualBusDevice() override { ::close(fd); }

    int write(const uint8_t* data, size_t length) override {
        ssize_t sent;
        do {
            sent = ::send(fd, data, length, MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        return sent < 0 ? -1 : int(sent);
    }

    int read(uint8_t* data, size_t length) override {
        if (!nonblocking) {
            // A blocking read waits for one message.
            pollfd wait{fd, POLLIN, 0};
            while (::poll(&wait, 1, -1) < 0 && errno == EINTR) {
            }
        }
        return receive(data, length);
    }

    int setNonblocking(bool value) override {
        nonblocking = value;
        return 0;
    }

    HidCompletionHandle readBegin() override { return HidCompletionHandle(fd); }
    int readFinish(uint8_t* data, size_t length) override { return receive(data, length); }

protected:
    std::wstring deviceProductString() override { return product; }
    std::wstring deviceSerialNumberString() override { return serial; }
    std::wstring deviceManufacturerString() override { return manufacturer; }

private:
    // One message without waiting: 0 when none is queued, -1 at end of file or on error, else
    // the message's full length (MSG_TRUNC), with at most `length` bytes copied.
    int receive(uint8_t* data, size_t length) {
        ssize_t count;
        do {
            count = ::recv(fd, data, length, MSG_DONTWAIT | MSG_TRUNC);
        } while (count < 0 && errno == EINTR);
        if (count < 0)
            return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
        if (count == 0)
            return -1; // the simulator closed the connection: the device left the bus
        return int(std::min<ssize_t>(count, INT_MAX));
    }

    int fd;
    bool nonblocking = false;
    std::wstring product;
    std::wstring serial;
    std::wstring manufacturer;
};

} // namespace

VirtualBusTransport::VirtualBusTransport(std::string directory)
    : directory(std::move(directory)) {}

bool VirtualBusTransport::parseInfo(const std::string& text, HidDeviceInfo& info,
                                    std::map<std::string, std::string>& keys) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        keys[trimmed(line.substr(0, equals))] = trimmed(line.substr(equals + 1));
    }
    auto vendor = keys.find("vendor_id");
    auto product = keys.find("product_id");
    if (vendor == keys.end() || product == keys.end() || !parseId(vendor->second, info.vendorId) ||
        !parseId(product->second, info.productId))
        return false;
    info.product = widened(keys["product"]);
    info.serialNumber = widened(keys["serial"]);
    info.manufacturer = widened(keys["manufacturer"]);
    // A number out of range keeps the default, where atoi's result would be undefined.
    auto interface = keys.find("interface");
    if (interface != keys.end()) {
        const std::string& number = interface->second;
        std::from_chars(number.data(), number.data() + number.size(), info.interfaceNumber);
    }
    return true;
}

std::vector<HidDeviceInfo> VirtualBusTransport::enumerate(uint16_t vendorId, uint16_t productId) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(directory.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            const std::string suffix = ".info";
            if (name.size() > suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                names.push_back(name.substr(0, name.size() - suffix.size()));
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());

    std::string base = directory;
    if (!base.empty() && base.front() != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd))
            base = std::string(cwd) + "/" + base;
    }

    std::vector<HidDeviceInfo> result;
    for (const std::string& name : names) {
        std::string stem = base;
        stem += '/';
        stem += name;
        const std::string socketPath = stem + ".sock";
        struct stat socketStat {};
        if (::stat(socketPath.c_str(), &socketStat) != 0 || !S_ISSOCK(socketStat.st_mode))
            continue;
        std::string text;
        if (!readSmallFile(stem + ".info", text))
            continue;
        HidDeviceInfo info;
        std::map<std::string, std::string> keys;
        if (!parseInfo(text, info, keys))
            continue;
        if ((vendorId != 0 && info.vendorId != vendorId) ||
            (productId != 0 && info.productId != productId))
            continue;
        info.path = socketPath;
        result.push_back(std::move(info));
    }
    return result;
}

HidOpenResult VirtualBusTransport::openPath(const std::string& path) {
    const std::string suffix = ".sock";
    if (path.size() <= suffix.size() ||
        path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0)
        return {nullptr, ENOENT};
    std::string text;
    HidDeviceInfo info;
    std::map<std::string, std::string> keys;
    if (!readSmallFile(path.substr(0, path.size() - suffix.size()) + ".info", text) ||
        !parseInfo(text, info, keys))
        return {nullptr, ENOENT}; // the device left the bus after it was listed

    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return {nullptr, ENAMETOOLONG};
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {nullptr, errno};
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        int error = errno; // EACCES without write permission, ECONNREFUSED with nobody listening
        ::close(fd);
        return {nullptr, error};
    }
    // The device's own strings; a present but empty device_product models a device that returns
    // none (the button plate over Bluetooth LE).
    auto own = [&](const char* key, const std::wstring& fallback) {
        auto found = keys.find(key);
        return found == keys.end() ? fallback : widened(found->second);
    };
    return {std::make_unique<VirtualBusDevice>(fd, own("device_product", info.product),
                                               own("device_serial", info.serialNumber),
                                               info.manufacturer),
            0};
}

int VirtualBusTransport::waitForAny(const std::vector<HidCompletionHandle>& handles,
                                    int timeoutMs) {
    return pollForAny(handles, timeoutMs);
}
