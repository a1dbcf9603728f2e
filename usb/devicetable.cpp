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
    QString rules = QStringLiteral("# TARN devices: read/write access to their hidraw nodes for "
                                   "the user at the seat\n");
    QSet<uint16_t> written;
    for (const TarnProductId& row : kTarnProductIds) {
        if (written.contains(row.productId))
            continue;
        written.insert(row.productId);
        rules += QStringLiteral("KERNEL==\"hidraw*\", ATTRS{idVendor}==\"%1\", "
                                "ATTRS{idProduct}==\"%2\", MODE=\"0660\", TAG+=\"uaccess\"\n")
                     .arg(kTarnVendorId, 4, 16, QLatin1Char('0'))
                     .arg(row.productId, 4, 16, QLatin1Char('0'));
    }
    return rules;
}
