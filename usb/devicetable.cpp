#include "usb/devicetable.h"

#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "pedals/usbdevicetarnpedals.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QSet>

bool productStringDecidesKind(uint16_t productId) {
    for (const TarnProductId& row : kTarnProductIds) {
        if (row.productId == productId && row.productStringContains)
            return true;
    }
    return false;
}

TarnDeviceKind tarnDeviceKind(uint16_t productId, const QString& productString) {
    for (const TarnProductId& row : kTarnProductIds) {
        if (row.productId != productId)
            continue;
        if (!row.productStringContains ||
            productString.contains(QLatin1String(row.productStringContains), Qt::CaseSensitive))
            return row.kind;
    }
    return TarnDeviceKind::None;
}

UsbDevice* createTarnDevice(uint16_t productId, const QString& path,
                            std::unique_ptr<HidDevice> handle, const HidDeviceInfo& info) {
    QString productString;
    if (productStringDecidesKind(productId))
        productString = QString::fromStdWString(handle->productString());
    TarnDeviceKind kind = tarnDeviceKind(productId, productString);
    if (kind == TarnDeviceKind::ButtonPlate)
        handle->setDeviceInfo(info);

    switch (kind) {
    case TarnDeviceKind::Bootloader:
        return new UsbDeviceTarnBootloader(path, std::move(handle));
    case TarnDeviceKind::WheelBase:
        return new UsbDeviceTarnWheelBase(path, std::move(handle));
    case TarnDeviceKind::Pedals:
        return new UsbDeviceTarnPedals(path, std::move(handle));
    case TarnDeviceKind::ButtonPlate:
        return new UsbDeviceTarnButtonPlate(path, std::move(handle));
    case TarnDeviceKind::None:
        break;
    }
    return nullptr; // the handle closes as it goes out of scope
}

QString tarnUdevRules() {
    // Matched on the HID device's name (bus:vendor:product.instance), so the same rule serves a
    // device on USB and the button plate over Bluetooth LE.
    QString rules = QStringLiteral("# TARN devices: read/write access to their hidraw nodes for "
                                   "the user at the seat\n");
    QSet<uint16_t> written;
    for (const TarnProductId& row : kTarnProductIds) {
        if (written.contains(row.productId))
            continue;
        written.insert(row.productId);
        auto hex = [](uint16_t id) {
            return QString::number(id, 16).rightJustified(4, '0').toUpper();
        };
        rules += QStringLiteral("KERNEL==\"hidraw*\", KERNELS==\"*:%1:%2.*\", MODE=\"0660\", "
                                "TAG+=\"uaccess\"\n")
                     .arg(hex(kTarnVendorId), hex(row.productId));
    }
    return rules;
}
