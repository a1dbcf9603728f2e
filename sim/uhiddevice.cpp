#include "sim/uhiddevice.h"

#include "usb/tarnusbreport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr uint16_t kBusBluetooth = 0x05; // BUS_BLUETOOTH of <linux/input.h>

// Vendor-defined page: joystick report 0x01 and response report 0x65 in, command report 0x64
// out, each 63 bytes after its id.
constexpr uint8_t kReportDescriptor[] = {
    0x06, 0x00, 0xFF, // Usage Page (Vendor Defined 0xFF00)
    0x09, 0x01,       // Usage (0x01)
    0xA1, 0x01,       // Collection (Application)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x3F,       //   Report Count (63)
    0x85, 0x01,       //   Report ID (0x01)
    0x09, 0x01,       //   Usage (0x01)
    0x81, 0x02,       //   Input (Data, Variable, Absolute)
    0x85, 0x65,       //   Report ID (0x65)
    0x09, 0x02,       //   Usage (0x02)
    0x81, 0x02,       //   Input (Data, Variable, Absolute)
    0x85, 0x64,       //   Report ID (0x64)
    0x09, 0x03,       //   Usage (0x03)
    0x91, 0x02,       //   Output (Data, Variable, Absolute)
    0xC0,             // End Collection
};

// Copies text into a fixed, NUL-terminated field of a UHID request, cutting it if needed.
void copyField(void* field, size_t size, const std::string& text) {
    size_t length = std::min(text.size(), size - 1);
    std::memcpy(field, text.data(), length);
    static_cast<uint8_t*>(field)[length] = 0;
}

} // namespace

UhidDevice::UhidDevice(std::unique_ptr<DeviceModel> model, std::string name)
    : DeviceHost(std::move(model)) {
    setBaseName(std::move(name));
}

UhidDevice::~UhidDevice() {
    unplug();
}

bool UhidDevice::isConnected() const {
    std::lock_guard<std::mutex> lock(mutex);
    return connected;
}

std::string UhidDevice::errorText() const {
    std::lock_guard<std::mutex> lock(mutex);
    return error;
}

bool UhidDevice::appear() {
    uhidFd = ::open("/dev/uhid", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (uhidFd < 0) {
        std::lock_guard<std::mutex> lock(mutex);
        error = std::string("/dev/uhid: ") + std::strerror(errno);
        return false;
    }
    if (!createKernelDevice()) {
        ::close(uhidFd);
        uhidFd = -1;
        return false;
    }
    plugged = true;
    return true;
}

void UhidDevice::disappear() {
    destroyKernelDevice();
    ::close(uhidFd);
    uhidFd = -1;
    plugged = false;
}

bool UhidDevice::writeEvent(const uhid_event& event) {
    ssize_t written;
    do {
        written = ::write(uhidFd, &event, sizeof event);
    } while (written < 0 && errno == EINTR);
    return written == ssize_t(sizeof event);
}

bool UhidDevice::createKernelDevice() {
    VirtualDeviceIdentity identity = currentIdentity();
    uhid_event event{};
    event.type = UHID_CREATE2;
    uhid_create2_req& create = event.u.create2;
    copyField(create.name, sizeof create.name, identity.product);
    copyField(create.phys, sizeof create.phys, "tarn-device-sim/" + name());
    copyField(create.uniq, sizeof create.uniq, identity.serial);
    create.rd_size = sizeof kReportDescriptor;
    std::memcpy(create.rd_data, kReportDescriptor, sizeof kReportDescriptor);
    create.bus = kBusBluetooth;
    create.vendor = identity.vendorId;
    create.product = identity.productId;
    if (writeEvent(event))
        return true;
    std::lock_guard<std::mutex> lock(mutex);
    error = std::string("/dev/uhid: cannot create the device: ") + std::strerror(errno);
    return false;
}

void UhidDevice::destroyKernelDevice() {
    uhid_event event{};
    event.type = UHID_DESTROY;
    writeEvent(event);
    connectionClosed(); // its hidraw node went with it
}

DeviceHost::SendResult UhidDevice::transmit(const uint8_t* data, size_t length) {
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = uint16_t(std::min<size_t>(length, UHID_DATA_MAX));
    std::memcpy(event.u.input2.data, data, event.u.input2.size);
    // The kernel takes an input report at once or refuses it (a device not yet started).
    return writeEvent(event) ? SendResult::Sent : SendResult::Failed;
}

void UhidDevice::runLoop() {
    while (!stopRequested()) {
        sendDue(Clock::now());

        pollfd fds[2] = {{wakeDescriptor(), POLLIN, 0}, {uhidFd, POLLIN, 0}};
        int ready = ::poll(fds, 2, loopTimeoutMs());
        if (ready <= 0)
            continue;
        if (fds[0].revents & POLLIN)
            drainWake();
        if (fds[1].revents != 0 && !readEvents())
            return;
    }
}

bool UhidDevice::readEvents() {
    uhid_event event;
    for (;;) {
        ssize_t count = ::read(uhidFd, &event, sizeof event);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (count <= 0) {
            std::lock_guard<std::mutex> lock(mutex);
            error = std::string("/dev/uhid: ") + std::strerror(errno);
            return false;
        }
        handleEvent(event);
    }
}

void UhidDevice::handleEvent(const uhid_event& event) {
    switch (event.type) {
    case UHID_START:
        numberedOutputReports = event.u.start.dev_flags & UHID_DEV_NUMBERED_OUTPUT_REPORTS;
        break;
    case UHID_OPEN:
        connectionOpened();
        break;
    case UHID_CLOSE:
        connectionClosed();
        break;
    case UHID_OUTPUT:
        handleOutput(event.u.output.data, event.u.output.size);
        break;
    case UHID_GET_REPORT:
    case UHID_SET_REPORT:
        rejectReportRequest(event);
        break;
    default:
        break; // UHID_STOP: nothing to tidy up; the tool sees its node vanish
    }
}

// The model takes reports exactly as the tool wrote them, report id first. The kernel passes
// the id inside the data when the descriptor numbers its output reports (ours does), and
// without it otherwise.
void UhidDevice::handleOutput(const uint8_t* data, size_t length) {
    std::vector<uint8_t> report;
    if (!numberedOutputReports)
        report.push_back(kCommandReportId);
    report.insert(report.end(), data, data + std::min<size_t>(length, UHID_DATA_MAX));
    if (receive(report.data(), report.size())) {
        // The device restarts as another one: it leaves the bus and comes back as the new model.
        destroyKernelDevice();
        restartModel();
        createKernelDevice();
    }
}

// The family has no feature reports; an answer at once spares the asking process the kernel's
// time-out.
void UhidDevice::rejectReportRequest(const uhid_event& request) {
    uhid_event reply{};
    if (request.type == UHID_GET_REPORT) {
        reply.type = UHID_GET_REPORT_REPLY;
        reply.u.get_report_reply.id = request.u.get_report.id;
        reply.u.get_report_reply.err = EIO;
    } else {
        reply.type = UHID_SET_REPORT_REPLY;
        reply.u.set_report_reply.id = request.u.set_report.id;
        reply.u.set_report_reply.err = EIO;
    }
    writeEvent(reply);
}
