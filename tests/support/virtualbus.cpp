#include "tests/support/virtualbus.h"

#include <QFile>

#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

VirtualBus::VirtualBus()
    : previousBus(qgetenv("TARN_HID_BUS"))
    , hadPreviousBus(qEnvironmentVariableIsSet("TARN_HID_BUS")) {
    qputenv("TARN_HID_BUS", directory.path().toLocal8Bit());
}

VirtualBus::~VirtualBus() {
    devices.clear();
    if (hadPreviousBus)
        qputenv("TARN_HID_BUS", previousBus);
    else
        qunsetenv("TARN_HID_BUS");
}

VirtualDevice& VirtualBus::addDevice(const std::string& name, std::unique_ptr<DeviceModel> model,
                                     bool plugged) {
    devices.push_back(std::make_unique<VirtualDevice>(pathString(), name, std::move(model)));
    if (plugged)
        devices.back()->plug();
    return *devices.back();
}

std::unique_ptr<BootloaderModel> wheelBaseBootloaderModel(uint16_t productId,
                                                          const std::string& product) {
    VirtualDeviceIdentity identity;
    identity.productId = productId;
    identity.product = product;
    return std::make_unique<BootloaderModel>(std::make_unique<WheelBaseModel>(), identity);
}

VirtualDevice& VirtualBus::addWheelBase(const std::string& name, bool plugged) {
    return addDevice(name, std::make_unique<WheelBaseModel>(), plugged);
}

VirtualDevice& VirtualBus::addPedals(const std::string& name, bool plugged) {
    return addDevice(name, std::make_unique<PedalsModel>(), plugged);
}

VirtualDevice& VirtualBus::addButtonPlate(const std::string& name, bool plugged) {
    return addDevice(name, std::make_unique<ButtonPlateModel>(), plugged);
}

void VirtualBus::addStaleSocket(const std::string& name, const std::string& infoText) {
    std::string socketPath = pathString() + "/" + name + ".sock";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    // Bound and closed without listening: the file stays, every connect is refused.
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    if (fd >= 0) {
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::close(fd);
    }
    writeFile(name + ".info", QByteArray::fromStdString(infoText));
}

void VirtualBus::writeFile(const std::string& fileName, const QByteArray& content) {
    QFile file(path() + "/" + QString::fromStdString(fileName));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

std::string infoFileText(uint16_t productId, const std::string& product, uint16_t vendorId) {
    char ids[64];
    std::snprintf(ids, sizeof ids, "vendor_id=0x%04x\nproduct_id=0x%04x\n", vendorId, productId);
    return std::string(ids) + "product=" + product + "\n";
}
