// The shared telemetry log: its file names, a file that cannot be created, a write error, the
// logging buttons of two pages over one log; the rows of the wheel base's, the pedals' and the
// button plate's logs byte for byte. The pages' logs through the window are checked with each
// page (that only updates with the raw clutch readings make a plate's row: tst_buttonplatepage).

#include "buttonplate/buttonplatelogrows.h"
#include "pedals/pedalslogrows.h"
#include "tests/support/devicepagerig.h"
#include "tests/support/files.h"
#include "wheelbase/logbutton.h"
#include "wheelbase/telemetrylog.h"
#include "wheelbase/wheelbaselogrows.h"

#include <QDir>
#include <QtTest>

#include <sys/resource.h>

#include <csignal>
#include <limits>

namespace {

template <class Payload>
TarnUsbWheelBaseJoystickUpdate wheelUpdate(uint8_t kind, const Payload& payload, int16_t axis = 0) {
    TarnUsbWheelBaseJoystickUpdate update{};
    update.axis = axis;
    update.logKind = kind;
    std::memcpy(update.payload, &payload, sizeof payload);
    return update;
}

TarnUsbWheelBaseCommutationTrace commutation(float elAngle) {
    return {77, 12.5f, elAngle, 1.25f, 0.5f, -0.25f, 1e-7f, 0.1f, 0.2f, 3.3f};
}

} // namespace

class TestTelemetryLog : public QObject {
    Q_OBJECT

private slots:
    // Logs started within one second get distinct names; none overwrites another.
    void fileNames() {
        QCOMPARE(TelemetryLog::fileNameFor("pedals-log-", QDateTime({2026, 3, 4}, {17, 5, 9})),
                 QString("pedals-log-2026-03-04-17-05-09.csv"));
        QTemporaryDir directory;
        TelemetryLog log;
        QStringList names;
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(log.start(directory.path(), "wheel-log-", "header\r\n"), QString());
            log.write(QByteArray::number(i));
            names << log.fileName();
            log.stop();
            QCOMPARE(readFile(names.last()), "header\r\n" + QByteArray::number(i));
        }
        names.removeDuplicates();
        QCOMPARE(names.size(), 3);
    }

    // A file that cannot be created is refused and nothing is written or signalled. A write
    // error (here the file-size limit, as a full disk would) closes the log once; the rows
    // written before it stay in the file.
    void failures() {
        QTemporaryDir directory;
        TelemetryLog log;
        QSignalSpy closed(&log, &TelemetryLog::closed);
        QSignalSpy failed(&log, &TelemetryLog::writeFailed);
        QVERIFY(!log.start(directory.filePath("missing"), "pedals-log-", "h\r\n").isEmpty());
        QVERIFY(!log.isOpen());
        log.write("row\r\n");
        QCOMPARE(closed.count(), 0);

        QCOMPARE(log.start(directory.path(), "wheel-log-", "header\r\n"), QString());
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        const rlimit limited{20000, previous.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
        for (int i = 0; i < 1000 && log.isOpen(); ++i)
            log.write(QByteArray(100, 'r'));
        log.stop();
        setrlimit(RLIMIT_FSIZE, &previous);
        QVERIFY(!log.isOpen());
        QCOMPARE(failed.count(), 1);
        QVERIFY(failed[0][0].toString().contains(QDir::toNativeSeparators(log.fileName())));
        QCOMPARE(closed.count(), 1);
        const QByteArray written = readFile(log.fileName());
        QVERIFY(written.startsWith("header\r\nrrrr") && written.size() > 10000);
    }

    // The pages share the log: any button stops it, and then every button reads "Start
    // Logging".
    void anyButtonStopsTheSharedLog() {
        WorkingDirectory working;
        TelemetryLog log;
        QPushButton wheelButton("Start Logging");
        QPushButton plateButton("Start Logging");
        LogButton wheel(&wheelButton, log, nullptr);
        LogButton plate(&plateButton, log, nullptr);
        QVERIFY(plate.toggle("button-plate-log-", "h\r\n"));
        QCOMPARE(plateButton.text(), QString("Stop Logging"));
        QVERIFY(!wheel.toggle("wheel-log-", "h\r\n"));
        QVERIFY(!log.isOpen());
        QCOMPARE(plateButton.text() + wheelButton.text(), QString("Start LoggingStart Logging"));
        QCOMPARE(working.logs("button-plate-log-").size(), 1);
        QCOMPARE(working.logs(QString()).size(), 1);
    }

    void rows() {
        QCOMPARE(wheelBaseLogHeader(1),
                 QByteArray("Time,dt,SteeringWheelAngle %,Torque IN %,Torque OUT %,Ticks,"
                            "MaxMotorCurrent,PsuCurrent,MotorCurrent,PsuTemp,MotorTemp,BrakeTemp,"
                            "PowerstageTemp\r\n"));
        QCOMPARE(wheelBaseLogHeader(2), QByteArray("Time,dt,SteeringWheelAngle %,Torque IN %,"
                                                   "Torque OUT %, Torque Actual %,Rotor Pos\r\n"));
        QCOMPARE(wheelBaseLogHeader(3), QByteArray("Time,Ticks,MechAngle,ElAngle,ElAngleEncoder,"
                                                   "PwmU,PwmV,PwmW,HallU,HallV,HallW,HallPSU\r\n"));
        QCOMPARE(wheelBaseLogHeader(0) + wheelBaseLogHeader(4), QByteArray());
        QCOMPARE(pedalsLogHeader(), QByteArray("Time,dt,x,y,z,x_raw,y_raw,z_raw\r\n"));
        QCOMPARE(buttonPlateLogHeader(), QByteArray("Time,dt,x,y,x_raw,y_raw\r\n"));

        const TarnUsbWheelBaseDebugOutput telemetry{
            0, 123456, 0, 0, -12.34567f, 0, 0.000125f, 42.5f, 0, 0, 0, 255, -15, 7, 40, 41, 42, 43};
        WheelBaseLogState state;
        QCOMPARE(wheelBaseLogRows(wheelUpdate(1, telemetry), 18446744073709551615ull, 1000, state),
                 QByteArray("18446744073709551615,1000,-12.3457,0.000125,42.5000,123456,25.5,-1.5,"
                            "1.4,40,41,42,43\r\n"));
        QCOMPARE(pedalsLogRow({65535, 0, 300, {1, 8388608, 4294967295u, 12, 1, 1, 1}},
                              1700000000000000ull, 250),
                 QByteArray("1700000000000000,250,65535,0,300,8388608,-1,12\r\n"));
        QCOMPARE(buttonPlateLogRow({32768, 65535, 0, kAuxClutchRaw, {0x34, 0x12, 0x78, 0x56}},
                                   1700000000000000ull, 250),
                 QByteArray("1700000000000000,250,32768,65535,4660,22136\r\n"));
    }

    // Three samples with the torque input at sample 1: the first row carries the input of an
    // earlier report, the others the new one; Time and dt are the same on every row. A count
    // beyond the record's eleven samples writes eleven rows.
    void torqueTraceRows() {
        TarnUsbWheelBaseTorqueTrace trace{2550, 1, 3, {100, -5, 12345}, {1, 2, 3}, 1.5f};
        WheelBaseLogState state;
        state.lastTorqueIn = 7.0f;
        QCOMPARE(wheelBaseLogRows(wheelUpdate(2, trace, -16384), 900, 50, state),
                 QByteArray("900,50,-50,7,1,0.01,1.5\r\n"
                            "900,50,-50,25.5,-0.05,0.02,1.5\r\n"
                            "900,50,-50,25.5,123.45,0.03,1.5\r\n"));
        QCOMPARE(state.lastTorqueIn, 25.5f);
        trace.sampleCount = 200;
        QCOMPARE(wheelBaseLogRows(wheelUpdate(2, trace), 1, 1, state).count("\r\n"), 11);
    }

    // A commutation row is written when the angle moves to a value of at least 0; a repeat, a
    // negative angle, a NaN and an update of no log kind write nothing.
    void commutationRows() {
        WheelBaseLogState state;
        QCOMPARE(wheelBaseLogRows(wheelUpdate(3, commutation(0.0f)), 5000, 9, state),
                 QByteArray("5000,77,12.5,0,1.25,0.5,-0.25,1e-07,0.1,0.2,-0.3,3.3\r\n"));
        for (float angle : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()})
            QCOMPARE(wheelBaseLogRows(wheelUpdate(3, commutation(angle)), 5001, 9, state),
                     QByteArray());
        QVERIFY(!wheelBaseLogRows(wheelUpdate(3, commutation(2.0f)), 5004, 9, state).isEmpty());
        QCOMPARE(wheelBaseLogRows(wheelUpdate(9, commutation(3.0f)), 5005, 9, state), QByteArray());
    }
};

QTEST_MAIN(TestTelemetryLog)
#include "tst_telemetrylog.moc"
