#include "sim/virtualdevice.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::string absolute(const std::string& directory) {
    if (!directory.empty() && directory.front() == '/')
        return directory;
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + directory : directory;
}

std::string hex(uint16_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", id);
    return text;
}

std::string infoText(const VirtualDeviceIdentity& identity) {
    std::string text = "vendor_id=" + hex(identity.vendorId) + "\n" +
                       "product_id=" + hex(identity.productId) + "\n" +
                       "product=" + identity.product + "\n" + "serial=" + identity.serial + "\n" +
                       "manufacturer=" + identity.manufacturer + "\n" + "interface=0\n";
    if (identity.hasDeviceProduct)
        text += "device_product=" + identity.deviceProduct + "\n";
    return text;
}

// The tool must never see half an info file: write a temporary file, then rename it.
bool writeAtomically(const std::string& path, const std::string& text) {
    std::string temporary = path + ".tmp";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::unique_ptr<DeviceModel> withIdentity(std::unique_ptr<DeviceModel> model,
                                          const VirtualDeviceIdentity& identity) {
    model->setIdentity(identity);
    return model;
}

} // namespace

VirtualDevice::VirtualDevice(std::string busDirectory, std::string name,
                             std::unique_ptr<DeviceModel> model)
    : DeviceHost(std::move(model))
    , directory(absolute(busDirectory)) {
    setBaseName(std::move(name));
}

VirtualDevice::VirtualDevice(std::string busDirectory, std::string name,
                             const VirtualDeviceIdentity& identity,
                             std::unique_ptr<DeviceModel> model)
    : VirtualDevice(std::move(busDirectory), std::move(name),
                    withIdentity(std::move(model), identity)) {}

VirtualDevice::~VirtualDevice() {
    unplug();
}

std::string VirtualDevice::entryPath(const std::string& suffix) const {
    return directory + "/" + name() + suffix;
}

std::string VirtualDevice::socketPath() const {
    return entryPath(".sock");
}

bool VirtualDevice::isConnected() const {
    std::lock_guard<std::mutex> lock(mutex);
    return connected;
}

int VirtualDevice::connectionCount() const {
    return connections;
}

bool VirtualDevice::appear() {
    std::string socketFile = socketPath();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketFile.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, socketFile.c_str(), socketFile.size() + 1);

    listenFd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd < 0)
        return false;
    ::unlink(socketFile.c_str()); // a socket file left behind by an earlier run
    if (::bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd, 4) != 0 ||
        !writeAtomically(entryPath(".info"), infoText(currentIdentity()))) {
        ::close(listenFd);
        listenFd = -1;
        ::unlink(socketFile.c_str());
        return false;
    }
    plugged = true;
    return true;
}

// The order the tool relies on: the description goes first, so a scan never opens a socket that
// is about to close.
void VirtualDevice::disappear() {
    if (!plugged)
        return;
    ::unlink(entryPath(".info").c_str());
    closeConnection();
    ::close(listenFd);
    listenFd = -1;
    ::unlink(socketPath().c_str());
    plugged = false;
}

DeviceHost::SendResult VirtualDevice::transmit(const uint8_t* data, size_t length) {
    if (connectionFd < 0)
        return SendResult::Failed;
    ssize_t sent;
    do {
        sent = ::send(connectionFd, data, length, MSG_DONTWAIT | MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent >= 0)
        return SendResult::Sent;
    return errno == EAGAIN || errno == EWOULDBLOCK ? SendResult::WouldBlock : SendResult::Failed;
}

void VirtualDevice::acceptConnection() {
    int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    ++connections;
    if (connectionFd >= 0) {
        ::close(fd); // one connection at a time
        return;
    }
    connectionFd = fd;
    connectionOpened();
}

void VirtualDevice::closeConnection() {
    if (connectionFd < 0)
        return;
    connectionClosed();
    ::close(connectionFd);
    connectionFd = -1;
}

bool VirtualDevice::readConnection() {
    uint8_t buffer[4096];
    for (;;) {
        ssize_t count = ::recv(connectionFd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                closeConnection();
            return true;
        }
        if (count == 0) {
            closeConnection(); // the tool closed the device
            return true;
        }
        if (receive(buffer, size_t(count)))
            return false;
    }
}

void VirtualDevice::runLoop() {
    while (!stopRequested()) {
        sendDue(Clock::now());

        pollfd fds[3] = {
            {wakeDescriptor(), POLLIN, 0}, {listenFd, POLLIN, 0}, {connectionFd, POLLIN, 0}};
        if (connectionFd >= 0 && hasQueuedReports())
            fds[2].events |= POLLOUT;
        int ready = ::poll(fds, connectionFd >= 0 ? 3 : 2, loopTimeoutMs());
        if (ready <= 0)
            continue;
        if (fds[0].revents & POLLIN)
            drainWake();
        if (fds[1].revents & POLLIN)
            acceptConnection();
        if (connectionFd >= 0 && fds[2].revents != 0) {
            if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) {
                if (!readConnection()) {
                    // The device restarts as another one: off the bus, and back as the new model.
                    disappear();
                    restartModel();
                    appear();
                }
            }
        }
    }
}
