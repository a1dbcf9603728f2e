#include "buttonplate/buttonplatetexts.h"

#include <QCoreApplication>

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("ButtonPlatePage", text);
}
constexpr float kAxisFullScale = 65535.0f;
} // namespace

QString buttonsText(uint64_t buttons) {
    return tr("Buttons: ") + QStringLiteral("%1").arg(buttons, 16, 16, QLatin1Char('0'));
}

QString axisText(const QString& caption, uint16_t value) {
    const float percent = float(value) / kAxisFullScale * 100.0f;
    return caption + QString::number(value) + QStringLiteral(" (") +
           QString::number(double(percent), 'f', 1) + QStringLiteral("%)");
}

QString batteryText(uint8_t centivolts) {
    return tr("Battery voltage: ") + QString::number(centivolts / 100.0, 'f', 2);
}

QString timestampText(uint32_t timestamp) {
    return tr("Timestamp: ") + QString::number(timestamp);
}

QString plateBuildInfoText(const char* buildDate, uint32_t firmwareHash) {
    return tr("Build date: ") + QString::fromLatin1(buildDate) + tr(", hash: ") +
           QString::number(firmwareHash, 16);
}

int percentTenths(double percent, int min, int max) {
    const double tenths = percent * 10.0;
    // Written so that NaN, which compares false, ends at `min`.
    if (!(tenths >= min))
        return min;
    if (tenths >= max)
        return max;
    return qRound(tenths);
}

bool shifterPointsFit(int attackTenths, int hysteresisTenths) {
    return 2 * attackTenths > hysteresisTenths;
}
