#include "sim/modelfactory.h"

#include "sim/buttonplatemodel.h"
#include "sim/pedalsmodel.h"
#include "sim/wheelbasemodel.h"

std::unique_ptr<DeviceModel> makeDeviceModel(const std::string& kind) {
    if (kind == "wheelbase")
        return std::make_unique<WheelBaseModel>();
    if (kind == "pedals")
        return std::make_unique<PedalsModel>();
    if (kind == "buttonplate")
        return std::make_unique<ButtonPlateModel>();
    if (kind == "buttonplate-ble")
        return std::make_unique<ButtonPlateModel>(ButtonPlateModel::Link::BluetoothLe);
    return nullptr;
}

std::vector<std::string> deviceModelKinds() {
    return {"wheelbase", "pedals", "buttonplate", "buttonplate-ble"};
}
