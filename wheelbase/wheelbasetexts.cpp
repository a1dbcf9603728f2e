#include "wheelbase/wheelbasetexts.h"

#include <QStringList>

namespace {

const char* const kMotorStates[] = {"Uninitialized", "Stopped", "Alignment",
                                    "Fault",         "Running", "Locked Test"};

// Names of the fault bits, bit 0 first; the higher bits have none.
const char* const kFaultNames[] = {
    "Encoder error",           "Alignment error", "Reference error", "Brake overtemp",
    "Mechanical limits error", "Overcurrent",     "Overvoltage",     "Undervoltage",
    "Electrical stop"};

QString fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

} // namespace

bool wheelBaseRefreshDue(uint32_t nowMs, uint32_t lastMs) {
    return uint32_t(nowMs - lastMs) >= kWheelBaseRefreshIntervalMs;
}

uint32_t wheelBaseClockMs(uint64_t wallClockMicros) {
    return uint32_t(wallClockMicros / 1000);
}

int32_t rimAngleDegrees(int16_t axis, int32_t rotationDegrees) {
    int32_t half = axis / 2;
    // The product wraps like the 32-bit multiplication it models; in range it never does.
    int32_t product = int32_t(uint32_t(half) * uint32_t(rotationDegrees));
    return product / 32767;
}

QString percentText(int value) {
    return QString::number(value) + QLatin1Char('%');
}

QString numberText(int value) {
    return QString::number(value);
}

QString centerOffsetText(float centerOffset) {
    float degrees = centerOffset * 360.0f;
    return fixed(degrees, 2) + QStringLiteral(" deg");
}

QString motorStateText(uint16_t motorState) {
    if (motorState < sizeof kMotorStates / sizeof kMotorStates[0])
        return QString::fromLatin1(kMotorStates[motorState]);
    return QString::number(motorState);
}

QString faultsText(uint32_t faults) {
    QStringList names;
    for (size_t bit = 0; bit < sizeof kFaultNames / sizeof kFaultNames[0]; ++bit) {
        if (faults & (1u << bit))
            names.append(QString::fromLatin1(kFaultNames[bit]));
    }
    QString text = QString::number(faults);
    if (!names.isEmpty())
        text += QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
    return text;
}

WheelBaseTelemetryTexts telemetryTexts(const TarnUsbWheelBaseDebugOutput& output) {
    WheelBaseTelemetryTexts texts;
    texts.ticks = QString::number(output.ticks);
    texts.motorState = motorStateText(output.motorState);
    texts.encoderState = QString::number(output.encoderState);
    texts.bisscRaw = QString::number(qulonglong(output.bisscRaw), 8);
    texts.currentFaults = faultsText(output.currentFaults);
    texts.clearedFaults = QString::number(output.clearedFaults);
    texts.motorAngle = fixed(output.motorAngle, 2);
    texts.encoderRaw = QString::number(output.encoderRaw);
    texts.ffbIn = fixed(output.ffbIn, 2);
    texts.ffbOut = fixed(output.ffbOut, 2);
    texts.maxMotorCurrent = fixed(output.maxMotorCurrent / 10.0, 1);
    texts.psuCurrent = fixed(output.psuCurrent / 10.0, 1);
    texts.motorCurrent = fixed(output.motorCurrent / 5.0, 1);
    texts.psuTemperature = QString::number(output.psuTemperature);
    texts.motorTemperature = QString::number(output.motorTemperature);
    texts.brakeTemperature = QString::number(output.brakeTemperature);
    texts.powerstageTemperature = QString::number(output.powerstageTemperature);
    return texts;
}

QString buildInfoText(const char* buildDate, uint32_t firmwareHash) {
    return QStringLiteral("Build date: %1, hash: %2")
        .arg(QString::fromLatin1(buildDate))
        .arg(firmwareHash, 0, 16);
}
