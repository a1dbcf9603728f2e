// The telemetry logs' rows, byte for byte: a fixed report in, the exact CSV text out, for each
// kind of wheel-base report and for the pedals.

#include "pedals/pedalslogrows.h"
#include "wheelbase/wheelbaselogrows.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

template <class Payload>
TarnUsbWheelBaseJoystickUpdate wheelUpdate(uint8_t kind, const Payload& p, int16_t axis = 0) {
    TarnUsbWheelBaseJoystickUpdate update{};
    update.axis = axis;
    update.logKind = kind;
    std::memcpy(update.payload, &p, sizeof p);
    return update;
}

TarnUsbWheelBaseCommutationTrace commutation(float elAngle) {
    TarnUsbWheelBaseCommutationTrace trace{};
    trace.ticks = 77;
    trace.mechAngle = 12.5f;
    trace.elAngle = elAngle;
    trace.elAngleEncoder = 1.25f;
    trace.pwmU = 0.5f;
    trace.pwmV = -0.25f;
    trace.pwmW = 1e-7f;
    trace.hallU = 0.1f;
    trace.hallV = 0.2f;
    trace.hallPsu = 3.3f;
    return trace;
}

} // namespace

class TestTelemetryLogRows : public QObject {
    Q_OBJECT

private slots:
    void headers() {
        QCOMPARE(wheelBaseLogHeader(1),
                 QByteArray("Time,dt,SteeringWheelAngle %,Torque IN %,Torque OUT %,Ticks,"
                            "MaxMotorCurrent,PsuCurrent,MotorCurrent,PsuTemp,MotorTemp,BrakeTemp,"
                            "PowerstageTemp\r\n"));
        QCOMPARE(wheelBaseLogHeader(2), QByteArray("Time,dt,SteeringWheelAngle %,Torque IN %,"
                                                   "Torque OUT %, Torque Actual %,Rotor Pos\r\n"));
        QCOMPARE(wheelBaseLogHeader(3), QByteArray("Time,Ticks,MechAngle,ElAngle,ElAngleEncoder,"
                                                   "PwmU,PwmV,PwmW,HallU,HallV,HallW,HallPSU\r\n"));
        QCOMPARE(wheelBaseLogHeader(0), QByteArray());
        QCOMPARE(wheelBaseLogHeader(4), QByteArray());
        QCOMPARE(pedalsLogHeader(), QByteArray("Time,dt,x,y,z,x_raw,y_raw,z_raw\r\n"));
    }

    void telemetryRow() {
        TarnUsbWheelBaseDebugOutput t{};
        t.ticks = 123456;
        t.motorAngle = -12.34567f;
        t.ffbIn = 0.000125f;
        t.ffbOut = 42.5f;
        t.maxMotorCurrent = 255;
        t.psuCurrent = -15;
        t.motorCurrent = 7;
        t.psuTemperature = 40;
        t.motorTemperature = 41;
        t.brakeTemperature = 42;
        t.powerstageTemperature = 43;
        WheelBaseLogState state;
        QCOMPARE(wheelBaseLogRows(wheelUpdate(1, t), 18446744073709551615ull, 1000, state),
                 QByteArray("18446744073709551615,1000,-12.3457,0.000125,42.5000,123456,25.5,-1.5,"
                            "1.4,40,41,42,43\r\n"));
    }

    // Three samples with the torque input at sample 1: the first row carries the input of an
    // earlier report, the others the new one; Time and dt are the same on every row.
    void torqueTraceRows() {
        TarnUsbWheelBaseTorqueTrace trace{};
        trace.torqueIn = 2550;
        trace.torqueInSample = 1;
        trace.sampleCount = 3;
        trace.torqueOut[0] = 100;
        trace.torqueOut[1] = -5;
        trace.torqueOut[2] = 12345;
        trace.torqueActual[0] = 1;
        trace.torqueActual[1] = 2;
        trace.torqueActual[2] = 3;
        trace.rotorPosition = 1.5f;
        WheelBaseLogState state;
        state.lastTorqueIn = 7.0f;
        QCOMPARE(wheelBaseLogRows(wheelUpdate(2, trace, -16384), 900, 50, state),
                 QByteArray("900,50,-50,7,1,0.01,1.5\r\n"
                            "900,50,-50,25.5,-0.05,0.02,1.5\r\n"
                            "900,50,-50,25.5,123.45,0.03,1.5\r\n"));
        QCOMPARE(state.lastTorqueIn, 25.5f);
        // A count beyond the record's eleven samples writes eleven rows.
        trace.sampleCount = 200;
        QCOMPARE(wheelBaseLogRows(wheelUpdate(2, trace), 1, 1, state).count("\r\n"), 11);
    }

    // A commutation row is written when the angle moves to a value of at least 0; a repeat, a
    // negative angle and a NaN write nothing.
    void commutationRows() {
        WheelBaseLogState state;
        QCOMPARE(wheelBaseLogRows(wheelUpdate(3, commutation(0.0f)), 5000, 9, state),
                 QByteArray("5000,77,12.5,0,1.25,0.5,-0.25,1e-07,0.1,0.2,-0.3,3.3\r\n"));
        QCOMPARE(wheelBaseLogRows(wheelUpdate(3, commutation(0.0f)), 5001, 9, state), QByteArray());
        QCOMPARE(wheelBaseLogRows(wheelUpdate(3, commutation(-1.0f)), 5002, 9, state),
                 QByteArray());
        QCOMPARE(
            wheelBaseLogRows(wheelUpdate(3, commutation(std::numeric_limits<float>::quiet_NaN())),
                             5003, 9, state),
            QByteArray());
        QCOMPARE(state.lastElAngle, 0.0f);
        QVERIFY(!wheelBaseLogRows(wheelUpdate(3, commutation(2.0f)), 5004, 9, state).isEmpty());
        QCOMPARE(wheelBaseLogRows(wheelUpdate(9, commutation(3.0f)), 5005, 9, state), QByteArray());
    }

    void pedalsRow() {
        TarnUsbPedalsJoystickUpdate update{65535, 0, 300, {1, 8388608, 4294967295u, 12, 1, 1, 1}};
        QCOMPARE(pedalsLogRow(update, 1700000000000000ull, 250),
                 QByteArray("1700000000000000,250,65535,0,300,8388608,-1,12\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestTelemetryLogRows)
#include "tst_telemetrylogrows.moc"
