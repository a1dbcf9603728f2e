#include "wheelbase/wheelbaselogrows.h"

#include <QList>

#include <algorithm>
#include <cstring>

namespace {

// A full-scale steering position, in percent per unit, in single precision.
constexpr float kAxisPercentPerUnit = 3.0517578125e-05f * 100.0f;

QByteArray general(double value) {
    return QByteArray::number(value, 'g', 6);
}

QByteArray fixed(double value, int decimals) {
    return QByteArray::number(value, 'f', decimals);
}

QByteArray line(const QList<QByteArray>& fields) {
    QByteArray text = fields.join(',');
    text += "\r\n";
    return text;
}

// The union members of a packed update are read through copies, never at odd addresses.
template <class Record> Record payloadAs(const TarnUsbWheelBaseJoystickUpdate& update) {
    Record record;
    std::memcpy(&record, update.payload, sizeof record);
    return record;
}

QByteArray telemetryRow(const TarnUsbWheelBaseDebugOutput& t, uint64_t time, uint64_t dt) {
    return line({QByteArray::number(qulonglong(time)), QByteArray::number(qulonglong(dt)),
                 fixed(double(t.motorAngle), 4), general(double(t.ffbIn)),
                 fixed(double(t.ffbOut), 4), QByteArray::number(t.ticks),
                 fixed(t.maxMotorCurrent / 10.0, 1), fixed(t.psuCurrent / 10.0, 1),
                 fixed(t.motorCurrent / 5.0, 1), QByteArray::number(t.psuTemperature),
                 QByteArray::number(t.motorTemperature), QByteArray::number(t.brakeTemperature),
                 QByteArray::number(t.powerstageTemperature)});
}

QByteArray torqueTraceRows(int16_t axis, const TarnUsbWheelBaseTorqueTrace& trace, uint64_t time,
                           uint64_t dt, float& lastTorqueIn) {
    const QByteArray timeText = QByteArray::number(qulonglong(time));
    const QByteArray dtText = QByteArray::number(qulonglong(dt));
    const QByteArray angle = general(double(float(axis) * kAxisPercentPerUnit));
    // The record holds at most kTorqueTraceSamples samples, whatever the count says.
    const int samples = std::min<int>(trace.sampleCount, kTorqueTraceSamples);
    QByteArray rows;
    for (int i = 0; i < samples; ++i) {
        if (i == trace.torqueInSample)
            lastTorqueIn = float(trace.torqueIn) / 100.0f;
        rows += line({timeText, dtText, angle, general(double(lastTorqueIn)),
                      general(double(float(trace.torqueOut[i]) / 100.0f)),
                      general(double(float(trace.torqueActual[i]) / 100.0f)),
                      general(double(trace.rotorPosition))});
    }
    return rows;
}

QByteArray commutationRow(const TarnUsbWheelBaseCommutationTrace& c, uint64_t time,
                          float& lastElAngle) {
    // A repeated or negative angle writes nothing; a NaN fails the comparison and neither.
    if (!(c.elAngle >= 0.0f) || c.elAngle == lastElAngle)
        return QByteArray();
    lastElAngle = c.elAngle;
    const float hallW = -c.hallU - c.hallV;
    return line({QByteArray::number(qulonglong(time)), QByteArray::number(c.ticks),
                 general(double(c.mechAngle)), general(double(c.elAngle)),
                 general(double(c.elAngleEncoder)), general(double(c.pwmU)),
                 general(double(c.pwmV)), general(double(c.pwmW)), general(double(c.hallU)),
                 general(double(c.hallV)), general(double(hallW)), general(double(c.hallPsu))});
}

} // namespace

QByteArray wheelBaseLogHeader(uint8_t kind) {
    switch (kind) {
    case kWheelBaseLogTelemetry:
        return "Time,dt,SteeringWheelAngle %,Torque IN %,Torque OUT %,Ticks,MaxMotorCurrent,"
               "PsuCurrent,MotorCurrent,PsuTemp,MotorTemp,BrakeTemp,PowerstageTemp\r\n";
    case kWheelBaseLogTorqueTrace:
        return "Time,dt,SteeringWheelAngle %,Torque IN %,Torque OUT %, Torque Actual %,Rotor "
               "Pos\r\n";
    case kWheelBaseLogCommutationTrace:
        return "Time,Ticks,MechAngle,ElAngle,ElAngleEncoder,PwmU,PwmV,PwmW,HallU,HallV,HallW,"
               "HallPSU\r\n";
    default:
        return QByteArray();
    }
}

QByteArray wheelBaseLogRows(const TarnUsbWheelBaseJoystickUpdate& update, uint64_t timeMicros,
                            uint64_t dtMicros, WheelBaseLogState& state) {
    switch (update.logKind) {
    case kWheelBaseLogTelemetry:
        return telemetryRow(payloadAs<TarnUsbWheelBaseDebugOutput>(update), timeMicros, dtMicros);
    case kWheelBaseLogTorqueTrace:
        return torqueTraceRows(update.axis, payloadAs<TarnUsbWheelBaseTorqueTrace>(update),
                               timeMicros, dtMicros, state.lastTorqueIn);
    case kWheelBaseLogCommutationTrace:
        return commutationRow(payloadAs<TarnUsbWheelBaseCommutationTrace>(update), timeMicros,
                              state.lastElAngle);
    default:
        return QByteArray();
    }
}
