#include "usb/devicetable.h"

#include <QSet>

bool productStringDecidesKind(uint16_t productId) {
    for (const TarnProductId& row : kTarnProductIds) {
        if (row.productId == productId && row.productStringContains)
            return true;
    }
    return false;
}

namespace {
const TarnProductId* tarnProductRow(uint16_t productId, const QString& productString) {
    for (const TarnProductId& row : kTarnProductIds) {
        if (row.productId != productId)
            continue;
        if (!row.productStringContains ||
            productString.contains(QLatin1String(row.productStringContains), Qt::CaseSensitive))
            return &row;
    }
    return nullptr;
}
} // namespace

TarnDeviceKind tarnDeviceKind(uint16_t productId, const QString& productString) {
    const TarnProductId* row = tarnProductRow(productId, productString);
    return row ? row->kind : TarnDeviceKind::None;
}

TarnDeviceKind identifyTarnDevice(uint16_t productId, HidDevice& device,
                                  const HidDeviceInfo& info) {
    QString productString;
    if (productStringDecidesKind(productId))
        productString = QString::fromStdWString(device.productString());
    const TarnProductId* row = tarnProductRow(productId, productString);
    if (!row)
        return TarnDeviceKind::None;
    if (row->stringsFromEnumeration)
        device.setDeviceInfo(info);
    return row->kind;
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
