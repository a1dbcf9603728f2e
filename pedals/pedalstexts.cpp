#include "pedals/pedalstexts.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
constexpr uint32_t kRawCentre = 8388608;
// A raw reading's share is taken of this, in single precision.
constexpr float kRawFullScale = 2147450.0f;
constexpr int kForceScale = 65535;
constexpr int kMinimumForceGap = 10;

QString oneDecimal(float percent) {
    return QString::number(double(percent), 'f', 1);
}
} // namespace

QString pedalOutputPercentText(uint16_t value) {
    return oneDecimal(float(value) / 65535.0f * 100.0f) + QLatin1Char('%');
}

QString pedalOutputDebugText(const QString& caption, uint16_t value) {
    return caption + QString::number(value) + QLatin1String(" (") + pedalOutputPercentText(value) +
           QLatin1Char(')');
}

QString pedalRawText(const QString& caption, uint32_t raw) {
    const int32_t centred = int32_t(raw - kRawCentre);
    return caption + QString::number(centred) + QLatin1String(" (") +
           oneDecimal(float(centred) / kRawFullScale * 100.0f) + QLatin1String("%)");
}

QString pedalConnectedText(const QString& caption, uint8_t connected) {
    return caption + (connected ? QCoreApplication::translate("PedalsPage", "True")
                                : QCoreApplication::translate("PedalsPage", "False"));
}

QString curvePointText(int value) {
    return QString::number(value) + QLatin1Char('%');
}

int clampCurvePoint(const uint8_t (&curve)[6], int point, int value) {
    const int lower = point > 0 ? std::min<int>(curve[point - 1], 100) : 0;
    const int upper = point < 5 ? std::min<int>(curve[point + 1], 100) : 100;
    return std::max(lower, std::min(value, std::max(lower, upper)));
}

const std::array<std::pair<int, int>, 9>& curveResetMoves() {
    static const std::array<std::pair<int, int>, 9> moves = {
        {{0, 0}, {5, 100}, {1, 20}, {2, 40}, {3, 60}, {4, 80}, {3, 60}, {2, 40}, {1, 20}}};
    return moves;
}

int forceRawFromPercent(double percent) {
    return int(percent * kForceScale / 100);
}

double forcePercentShown(uint16_t raw) {
    return (double(raw) * 100 + 100) / kForceScale;
}

double forcePercentRestored(uint16_t raw) {
    return double(raw) / kForceScale * 100;
}

bool forceRangeAllowed(int maxRaw, int minRaw) {
    return maxRaw - minRaw >= kMinimumForceGap;
}
