// The shared telemetry log: its file names, the refusal of a file that cannot be created, a
// write error, the logging buttons of two pages over one log; and logs through the window
// against a virtual wheel base (decimation) and virtual pedals (read back as CSV).

#include "app/tarn_wheel_tool.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/windowlookup.h"
#include "usb/tarnusbreport.h"
#include "wheelbase/logbutton.h"
#include "wheelbase/telemetrylog.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <memory>

namespace {

constexpr int kTimeoutMs = 10000;

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The logs the window wrote into the working directory, which the test sets to a temporary one.
QStringList logsIn(const QTemporaryDir& directory) {
    return QDir(directory.path()).entryList({"*.csv"}, QDir::Files, QDir::Name);
}

// Runs the window's logs in a directory of their own.
struct WorkingDirectory {
    WorkingDirectory()
        : previous(QDir::currentPath()) {
        QDir::setCurrent(directory.path());
    }
    ~WorkingDirectory() { QDir::setCurrent(previous); }
    QTemporaryDir directory;
    QString previous;
};

bool waitForPage(const TARN_wheel_tool& window, int index) {
    return QTest::qWaitFor(
        [&] {
            return windowWidget<QStackedWidget>(window, "settingsStackedWidget")->currentIndex() ==
                       index &&
                   windowWidget<QPushButton>(window, "pushButton_SaveConfig")->isEnabled();
        },
        kTimeoutMs);
}

} // namespace

class TestTelemetryLog : public QObject {
    Q_OBJECT

private slots:
    void fileNames() {
        const QDateTime start(QDate(2026, 3, 4), QTime(17, 5, 9));
        QCOMPARE(TelemetryLog::fileNameFor("pedals-log-", start),
                 QString("pedals-log-2026-03-04-17-05-09.csv"));
    }

    // Logs started within one second get distinct names; none overwrites another.
    void logsOfOneSecondKeepTheirFiles() {
        QTemporaryDir directory;
        TelemetryLog log;
        QStringList names;
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(log.start(directory.path(), "wheel-log-", "header\r\n"), QString());
            log.write(QByteArray::number(i));
            names << log.fileName();
            log.stop();
        }
        names.removeDuplicates();
        QCOMPARE(names.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(contentOf(names[i]), "header\r\n" + QByteArray::number(i));
    }

    void unwritableDirectoryIsRefused() {
        QTemporaryDir directory;
        TelemetryLog log;
        QSignalSpy closed(&log, &TelemetryLog::closed);
        QVERIFY(!log.start(directory.filePath("missing"), "pedals-log-", "h\r\n").isEmpty());
        QVERIFY(!log.isOpen());
        log.write("row\r\n");
        QCOMPARE(closed.count(), 0);
    }

    // A write error (here the file-size limit, as a full disk would) closes the log once; the
    // rows written before it stay in the file.
    void writeErrorClosesTheLog() {
        QTemporaryDir directory;
        TelemetryLog log;
        QSignalSpy closed(&log, &TelemetryLog::closed);
        QSignalSpy failed(&log, &TelemetryLog::writeFailed);
        QCOMPARE(log.start(directory.path(), "wheel-log-", "header\r\n"), QString());
        const QString path = log.fileName();
        const QByteArray row(100, 'r');

        std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = 20000;
        setrlimit(RLIMIT_FSIZE, &limited);
        for (int i = 0; i < 1000 && log.isOpen(); ++i)
            log.write(row);
        log.stop();
        setrlimit(RLIMIT_FSIZE, &previous);

        QVERIFY(!log.isOpen());
        QCOMPARE(failed.count(), 1);
        QVERIFY(failed[0][0].toString().contains(QDir::toNativeSeparators(path)));
        QCOMPARE(closed.count(), 1);
        const QByteArray written = contentOf(path);
        QVERIFY(written.startsWith("header\r\nrrrr"));
        QVERIFY(written.size() > 10000);
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
        QCOMPARE(plateButton.text(), QString("Start Logging"));
        QCOMPARE(wheelButton.text(), QString("Start Logging"));
        QCOMPARE(logsIn(working.directory).size(), 1);
        QVERIFY(logsIn(working.directory)[0].startsWith("button-plate-log-"));
    }

    // Through the window: with "output modulo" 10 when the log starts, one wheel-base report in
    // ten is written; changing the box during the log changes nothing. A log started before the
    // first report gets its header with its first row.
    void wheelBaseLogIsDecimated() {
        WorkingDirectory working;
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase("wheelbase", false);
        wheel.setJoystickRate(0);
        wheel.plug();
        TARN_wheel_tool window(nullptr, fastTimings());
        window.show();
        QVERIFY(waitForPage(window, 1));
        windowWidget<QCheckBox>(window, "checkBox_outputModulo")->setChecked(true);
        windowWidget<QSpinBox>(window, "spinBox_outputModulo")->setValue(10);

        // Telemetry reports numbered by their ticks (payload bytes 1..4, report bytes 6..9).
        auto telemetryReport = [](uint8_t kind, uint32_t ticks) {
            std::vector<uint8_t> report = joystickReport();
            report[4] = kind;
            writeLe32(report.data() + 6, ticks);
            return report;
        };
        // Started before any report said what it carries: the first row brings the header.
        QPushButton* button = windowWidget<QPushButton>(window, "pushButton_LoggingWheelBase");
        QLabel* ticks = windowWidget<QLabel>(window, "label_debugTicks");
        button->click();
        QCOMPARE(button->text(), QString("Stop Logging"));
        windowWidget<QSpinBox>(window, "spinBox_outputModulo")->setValue(1);
        for (uint32_t i = 1; i <= 30; ++i)
            wheel.injectReport(telemetryReport(kWheelBaseLogTelemetry, i));
        // Reports of no log kind write no row: one shown means the thirty were handled.
        QTRY_COMPARE_WITH_TIMEOUT((wheel.injectReport(telemetryReport(0, 999)), ticks->text()),
                                  QString("999"), kTimeoutMs);
        button->click();
        QCOMPARE(button->text(), QString("Start Logging"));

        const QStringList logs = logsIn(working.directory);
        QCOMPARE(logs.size(), 1);
        QVERIFY(logs[0].startsWith("wheel-log-"));
        QList<QByteArray> lines = contentOf(working.directory.filePath(logs[0])).split('\n');
        lines.removeLast();
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QByteArray("Time,dt,SteeringWheelAngle %,Torque IN %,Torque OUT %,Ticks,"
                                      "MaxMotorCurrent,PsuCurrent,MotorCurrent,PsuTemp,MotorTemp,"
                                      "BrakeTemp,PowerstageTemp\r"));
        for (int row = 1; row <= 3; ++row)
            QCOMPARE(lines[row].split(',')[5], QByteArray::number(10 * row));
    }

    // Through the window against streaming pedals: the log reads back as CSV with the pedals'
    // columns, one row per report.
    void pedalsLogReadsBackAsCsv() {
        WorkingDirectory working;
        VirtualBus bus;
        VirtualDevice& pedals = bus.addPedals("pedals", false);
        pedals.setJoystickRate(200);
        pedals.plug();
        TARN_wheel_tool window(nullptr, fastTimings());
        window.show();
        QVERIFY(waitForPage(window, 2));
        QPushButton* button = windowWidget<QPushButton>(window, "pushButton_LoggingPedals");
        button->click();
        QCOMPARE(button->text(), QString("Stop Logging"));
        // The reports carry their stream number as ticks.
        const uint64_t streamed = pedals.streamStats().sent;
        QLabel* ticks = windowWidget<QLabel>(window, "labelTicksDebug");
        QTRY_VERIFY_WITH_TIMEOUT(ticks->text().section(' ', 1).toULongLong() > streamed + 20,
                                 kTimeoutMs);
        button->click();
        QCOMPARE(button->text(), QString("Start Logging"));

        const QStringList logs = logsIn(working.directory);
        QCOMPARE(logs.size(), 1);
        QVERIFY(logs[0].startsWith("pedals-log-"));
        const QByteArray text = contentOf(working.directory.filePath(logs[0]));
        QVERIFY(text.endsWith("\r\n"));
        QList<QByteArray> lines = text.split('\n');
        lines.removeLast();
        QCOMPARE(lines[0], QByteArray("Time,dt,x,y,z,x_raw,y_raw,z_raw\r"));
        QVERIFY(lines.size() > 10);
        uint64_t previousTime = 0;
        for (int i = 1; i < lines.size(); ++i) {
            const QList<QByteArray> fields = lines[i].chopped(1).split(',');
            QCOMPARE(fields.size(), 8);
            bool ok = false;
            const uint64_t time = fields[0].toULongLong(&ok);
            QVERIFY(ok && time > previousTime);
            previousTime = time;
            QVERIFY(fields[5].toInt(&ok) > 8388608 && ok);
        }
    }
};

QTEST_MAIN(TestTelemetryLog)
#include "tst_telemetrylog.moc"
