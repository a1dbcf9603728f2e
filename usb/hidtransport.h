#pragma once
// The HID operations the device classes and the manager need, behind a small Qt-free interface.
// Two implementations exist: the system's HID devices through hidapi, and the virtual device bus
// (a directory of Unix sockets) selected by TARN_HID_BUS. Device classes never know which one
// they talk to.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The enumeration record of one HID interface (hid_device_info).
struct HidDeviceInfo {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::wstring serialNumber;
    std::wstring manufacturer;
    std::wstring product;
    int interfaceNumber = 0;
};

// A waitable that becomes ready when a read begun with readBegin() can be finished without
// blocking. Only the transport that made it looks inside: a file descriptor on POSIX systems, the
// event handle of an overlapped read under Windows. Default-constructed, it is invalid.
class HidCompletionHandle {
public:
    using Native = std::intptr_t;

    constexpr HidCompletionHandle() = default;
    constexpr explicit HidCompletionHandle(Native native)
        : value(native) {}

    constexpr bool isValid() const { return value != kInvalid; }
    constexpr Native native() const { return value; }

private:
    static constexpr Native kInvalid = -1;
    Native value = kInvalid;
};

// One open HID device (hid_device). Reads and writes may run on different threads at once.
class HidDevice {
public:
    virtual ~HidDevice() = default;

    // hid_write: returns the number of bytes written or -1.
    virtual int write(const uint8_t* data, size_t length) = 0;
    // hid_read: in non-blocking mode returns 0 when nothing is pending; -1 on error.
    virtual int read(uint8_t* data, size_t length) = 0;
    // hid_set_nonblocking
    virtual int setNonblocking(bool nonblocking) = 0;

    // hid_read_begin: starts an asynchronous read of one input report, or returns the handle of
    // the read already pending; an invalid handle when the read cannot be started.
    virtual HidCompletionHandle readBegin() = 0;
    // hid_read_finish: collects the pending read without waiting. Returns 0 while it has not
    // completed (it stays pending), -1 on an I/O error (the device is gone), otherwise the length
    // of the report that arrived; at most `length` bytes of it are copied to `data`, so a caller
    // that wants whole reports compares the result with its buffer size.
    virtual int readFinish(uint8_t* data, size_t length) = 0;

    // hid_get_product_string / hid_get_serial_number_string / hid_get_manufacturer_string, with
    // the fallback of hid_set_device_info: an empty string from the device itself gives way to
    // the enumeration record's string.
    std::wstring productString();
    std::wstring serialNumberString();
    std::wstring manufacturerString();

    // hid_set_device_info: attaches the enumeration record to the open device.
    void setDeviceInfo(const HidDeviceInfo& info);

protected:
    virtual std::wstring deviceProductString() = 0;
    virtual std::wstring deviceSerialNumberString() = 0;
    virtual std::wstring deviceManufacturerString() = 0;

private:
    std::unique_ptr<HidDeviceInfo> attachedInfo;
};

// What opening a device gave: the device, or why it could not be opened.
struct HidOpenResult {
    std::unique_ptr<HidDevice> device; // null when the open failed
    int error = 0; // then the errno of the failure: EACCES, EBUSY, ECONNREFUSED, ENOENT...
};

// Whether a failed open still means a device is there: not when its node or socket is gone (it
// left the bus between enumeration and opening).
bool isPresentDespite(int openError);

// Enumeration, opening and the multi-handle wait of one HID bus.
class HidTransport {
public:
    virtual ~HidTransport() = default;

    // hid_enumerate: 0 as vendor or product id matches any.
    virtual std::vector<HidDeviceInfo> enumerate(uint16_t vendorId, uint16_t productId) = 0;
    // hid_open_path, with the reason when the device cannot be opened.
    virtual HidOpenResult openPath(const std::string& path) = 0;

    // Waits until at least one handle is ready, at most timeoutMs. Returns the position of the
    // first ready handle, kWaitTimeout, or kWaitFailed (also for an empty set).
    virtual int waitForAny(const std::vector<HidCompletionHandle>& handles, int timeoutMs) = 0;
    static constexpr int kWaitTimeout = -1;
    static constexpr int kWaitFailed = -2;

    // The bus named by TARN_HID_BUS when it is set and not empty, else the system's HID devices.
    static std::unique_ptr<HidTransport> create();
};

// poll() on file descriptors, shared by the POSIX transports.
int pollForAny(const std::vector<HidCompletionHandle>& handles, int timeoutMs);
