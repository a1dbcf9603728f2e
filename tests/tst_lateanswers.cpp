// An answer acts once. Devices that answer a request after its resend answer it twice; the
// second answer, and any answer that matches nothing outstanding, must change nothing: no chain
// runs twice, nothing is written unasked, and the retry of what is outstanding goes on.

#include "app/tarn_wheel_tool.h"
#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "pedals/usbdevicetarnpedals.h"
#include "sim/bootloadermodel.h"
#include "tests/support/directdevice.h"
#include "tests/support/reports.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "tests/support/windowlookup.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QSignalSpy>
#include <QtTest>

#include <type_traits>

namespace {

constexpr int kTimeoutMs = 15000;
// A late answer comes after the resend and before the resend of the next request, so it meets
// the request that follows it.
constexpr int kRetryMs = 200;
constexpr int kLateMs = 300;
constexpr int kQuietMs = kLateMs + 2 * kRetryMs;
const UsbTimings kTimings{1000, kRetryMs, 20};

AnswerFate late() {
    return {AnswerFate::Late, kLateMs};
}
AnswerFate prompt() {
    return {};
}
AnswerFate lost() {
    return {AnswerFate::Lost, 0};
}

// What the tool wrote, with each resend (a repeat of the report before it) taken out.
std::vector<int> walkOf(const std::vector<ReceivedReport>& reports) {
    std::vector<ReceivedReport> walk;
    for (const ReceivedReport& report : reports) {
        if (walk.empty() || walk.back().data != report.data)
            walk.push_back(report);
    }
    return commandsOf(walk);
}

// One device class opened on a virtual device, loaded once with prompt answers when asked.
template <class Device> struct Rig {
    explicit Rig(VirtualDevice& virtualDevice)
        : device(virtualDevice)
        , direct(virtualDevice) {
        direct->applyTimings(kTimings);
    }

    bool load() {
        QSignalSpy loaded(direct.get(), &Device::onSettingsLoaded);
        direct->loadSettings();
        return loaded.wait(kTimeoutMs) && waitUntilQuiet(device, kQuietMs);
    }

    VirtualDevice& device;
    DirectDevice<Device> direct;
};

enum class Action { Load, Save, LiveUpdate, CenterRim, Statistics, StatisticsReset, Calibration };

template <class Device> void start(Device& device, Action action) {
    switch (action) {
    case Action::Load:
        device.loadSettings();
        break;
    case Action::Save:
        device.saveSettings();
        break;
    case Action::LiveUpdate:
        device.liveUpdatesEnabled = true;
        device.updateSettings();
        break;
    case Action::CenterRim:
        if constexpr (std::is_same<Device, UsbDeviceTarnWheelBase>::value)
            device.centerRim();
        break;
    case Action::Statistics:
        if constexpr (std::is_same<Device, UsbDeviceTarnButtonPlate>::value)
            device.loadStatistics();
        break;
    case Action::StatisticsReset:
        if constexpr (std::is_same<Device, UsbDeviceTarnButtonPlate>::value)
            device.resetStatistics();
        break;
    case Action::Calibration:
        if constexpr (std::is_same<Device, UsbDeviceTarnButtonPlate>::value)
            device.saveClutchesCalibration();
        break;
    }
}

// The button plate's own exchanges end with a signal each: statistics read, statistics reset,
// calibration stored.
template <class Device> void countPlateSignals(Device& device, int& count) {
    if constexpr (std::is_same<Device, UsbDeviceTarnButtonPlate>::value) {
        QObject::connect(&device, &UsbDeviceTarnButtonPlate::onStatisticsLoad,
                         [&count] { ++count; });
        QObject::connect(&device, &UsbDeviceTarnButtonPlate::onStatisticsReset,
                         [&count] { ++count; });
        QObject::connect(&device, &UsbDeviceTarnButtonPlate::onCalibrationSave,
                         [&count] { ++count; });
    }
}

// Runs `action` with the first request of `lateCommand` answered late, and returns the walk and
// how often the device said it had loaded and saved.
struct Outcome {
    std::vector<int> walk;
    int loaded = 0;
    int saved = 0;
    int plateSignals = 0;
};

template <class Device>
Outcome runWithLateAnswer(VirtualDevice& virtualDevice, Action action, int lateCommand) {
    Rig<Device> rig(virtualDevice);
    if (action != Action::Load && !rig.load())
        return {};
    virtualDevice.clearReceivedReports();
    virtualDevice.scriptAnswers(uint8_t(lateCommand), {late()});
    QSignalSpy loaded(rig.direct.get(), &Device::onSettingsLoaded);
    QSignalSpy saved(rig.direct.get(), &Device::onSettingsSaved);
    int plateSignals = 0;
    countPlateSignals(*rig.direct.get(), plateSignals);
    start(*rig.direct.get(), action);
    waitForWrites(virtualDevice, 1, kTimeoutMs);
    waitUntilQuiet(virtualDevice, kQuietMs);
    return {walkOf(virtualDevice.receivedReports()), loaded.count(), saved.count(), plateSignals};
}

} // namespace

Q_DECLARE_METATYPE(std::vector<int>)
Q_DECLARE_METATYPE(Action)

class TestLateAnswers : public QObject {
    Q_OBJECT

private slots:
    void eachChainRunsOnce_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<Action>("action");
        QTest::addColumn<int>("lateCommand");
        QTest::addColumn<std::vector<int>>("walk");
        QTest::addColumn<int>("loaded");
        QTest::addColumn<int>("saved");
        QTest::addColumn<int>("plateSignals");
        const std::vector<int> load{3, 5, 5, 5, 3};
        const std::vector<int> save{4, 6, 6, 6, 4};
        const std::vector<int> update{12, 13, 13, 13, 12};
        QTest::newRow("wheel base load, 3 late")
            << "wheelbase" << Action::Load << 3 << load << 1 << 0 << 0;
        QTest::newRow("wheel base load, 5 late")
            << "wheelbase" << Action::Load << 5 << load << 1 << 0 << 0;
        QTest::newRow("wheel base save, 4 late")
            << "wheelbase" << Action::Save << 4 << save << 0 << 1 << 0;
        QTest::newRow("wheel base save, 6 late")
            << "wheelbase" << Action::Save << 6 << save << 0 << 1 << 0;
        QTest::newRow("wheel base update, 12 late")
            << "wheelbase" << Action::LiveUpdate << 12 << update << 0 << 0 << 0;
        QTest::newRow("wheel base update, 13 late")
            << "wheelbase" << Action::LiveUpdate << 13 << update << 0 << 0 << 0;
        QTest::newRow("wheel base centre, 7 late")
            << "wheelbase" << Action::CenterRim << 7 << std::vector<int>{7} << 1 << 0 << 0;
        QTest::newRow("pedals load, 3 late")
            << "pedals" << Action::Load << 3 << std::vector<int>{3, 10, 5, 5, 5, 3} << 1 << 0 << 0;
        QTest::newRow("pedals load, 10 late")
            << "pedals" << Action::Load << 10 << std::vector<int>{3, 10, 5, 5, 5, 3} << 1 << 0 << 0;
        QTest::newRow("pedals update, 13 late")
            << "pedals" << Action::LiveUpdate << 13 << update << 0 << 0 << 0;
        QTest::newRow("button plate load, 3 late")
            << "buttonplate" << Action::Load << 3 << load << 1 << 0 << 0;
        QTest::newRow("button plate save, 6 late")
            << "buttonplate" << Action::Save << 6 << save << 0 << 1 << 0;
        const std::vector<int> statistics{21, 21, 21, 21, 21, 21, 21};
        QTest::newRow("button plate statistics, 21 late")
            << "buttonplate" << Action::Statistics << 21 << statistics << 0 << 0 << 1;
        QTest::newRow("button plate statistics reset, 22 late")
            << "buttonplate" << Action::StatisticsReset << 22 << std::vector<int>{22} << 0 << 0
            << 1;
        QTest::newRow("button plate calibration, 16 late")
            << "buttonplate" << Action::Calibration << 16 << std::vector<int>{16} << 0 << 0 << 1;
    }

    void eachChainRunsOnce() {
        QFETCH(QString, kind);
        QFETCH(Action, action);
        QFETCH(int, lateCommand);
        QFETCH(std::vector<int>, walk);
        QFETCH(int, loaded);
        QFETCH(int, saved);
        QFETCH(int, plateSignals);
        VirtualBus bus;
        Outcome outcome;
        if (kind == "wheelbase") {
            outcome =
                runWithLateAnswer<UsbDeviceTarnWheelBase>(bus.addWheelBase(), action, lateCommand);
        } else if (kind == "pedals") {
            outcome = runWithLateAnswer<UsbDeviceTarnPedals>(bus.addPedals(), action, lateCommand);
        } else {
            outcome = runWithLateAnswer<UsbDeviceTarnButtonPlate>(bus.addButtonPlate(), action,
                                                                  lateCommand);
        }
        QCOMPARE(outcome.walk, walk);
        QCOMPARE(outcome.loaded, loaded);
        if (kind != "pedals") // the pedals do not tell when a save has ended
            QCOMPARE(outcome.saved, saved);
        QCOMPARE(outcome.plateSignals, plateSignals);
    }

    // The pedals acknowledge a calibration start or save after it was resent, so twice: the
    // wizard hears of it once.
    void pedalsCalibrationAnswersActOnce_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("lateMs");
        QTest::newRow("start, resent after a second")
            << int(kCmdStartCalibration) << UsbDeviceTarnPedals::kCalibrationStartRetryMs + 300;
        QTest::newRow("save") << int(kCmdSaveCalibration) << kLateMs;
    }
    void pedalsCalibrationAnswersActOnce() {
        QFETCH(int, command);
        QFETCH(int, lateMs);
        VirtualBus bus;
        VirtualDevice& virtualPedals = bus.addPedals();
        Rig<UsbDeviceTarnPedals> rig(virtualPedals);
        QSignalSpy started(rig.direct.get(), &UsbDeviceTarnPedals::onCalibrationStarted);
        QSignalSpy saved(rig.direct.get(), &UsbDeviceTarnPedals::onCalibrationSave);
        virtualPedals.scriptAnswers(uint8_t(command), {{AnswerFate::Late, lateMs}});
        if (command == kCmdStartCalibration)
            rig.direct->startCalibration();
        else
            rig.direct->saveCalibration();
        QVERIFY(waitForWrites(virtualPedals, 2, kTimeoutMs));
        QVERIFY(waitUntilQuiet(virtualPedals, lateMs + 2 * kRetryMs));
        QCOMPARE(walkOf(virtualPedals.receivedReports()), std::vector<int>{command});
        QCOMPARE(started.count() + saved.count(), 1);
    }

    // The late echo of chunk 1 meets chunk 2: every chunk goes out once, in order.
    void firmwareChunksGoOutOnce() {
        VirtualBus bus;
        VirtualDevice& virtualBootloader = bus.addDevice("boot", wheelBaseBootloaderModel());
        DirectDevice<UsbDeviceTarnBootloader> bootloader(virtualBootloader);
        QVERIFY(bootloader.isOpen());
        QSignalSpy completed(bootloader.get(), &UsbDeviceTarnBootloader::onUpdateCompleted);
        virtualBootloader.scriptAnswers(kCmdEnterBootloader, {prompt(), late()});
        bootloader->updateFirmware(QByteArray(6 * 32, '\x5A'));
        QVERIFY(completed.wait(kTimeoutMs));
        QVERIFY(waitUntilQuiet(virtualBootloader, kQuietMs));
        std::vector<int> chunks;
        int previous = -1;
        for (const ReceivedReport& report : virtualBootloader.receivedReports()) {
            const int index = readLe16(report.data.data() + 34);
            if (index != previous)
                chunks.push_back(index);
            previous = index;
        }
        QCOMPARE(chunks, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
        QCOMPARE(completed.count(), 1);
    }

    // A late duplicate arrives while the next request's answer is lost: the duplicate must not
    // stop that request's resend.
    void lateDuplicateDoesNotStopTheNextRetry() {
        VirtualBus bus;
        VirtualDevice& virtualWheel = bus.addWheelBase();
        Rig<UsbDeviceTarnWheelBase> rig(virtualWheel);
        virtualWheel.scriptAnswers(kCmdReadProfile, {late(), prompt(), lost()});
        QVERIFY(rig.load());
        QCOMPARE(walkOf(virtualWheel.receivedReports()), (std::vector<int>{3, 5, 5, 5, 3}));
        QCOMPARE(int(rig.direct->profileCount), 3);
    }

    // Telemetry the wheel base sends on its own is no answer: a lost answer is still resent.
    void lostAnswerIsResentWhileTelemetryFlows() {
        VirtualBus bus;
        VirtualDevice& virtualWheel = bus.addWheelBase();
        virtualWheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { m.telemetryEvery = 10; });
        Rig<UsbDeviceTarnWheelBase> rig(virtualWheel);
        int telemetry = 0;
        QObject::connect(rig.direct.get(), &UsbDeviceTarnWheelBase::onDebugOutput,
                         [&] { ++telemetry; });
        virtualWheel.scriptAnswers(kCmdReadProfile, {lost()});
        QVERIFY(rig.load());
        QVERIFY(telemetry > 0);
        QCOMPARE(walkOf(virtualWheel.receivedReports()), (std::vector<int>{3, 5, 5, 5, 3}));
    }

    // Through the window: a late profile read does not make the page write anything back.
    void windowWritesNothingAfterALateLoad() {
        VirtualBus bus;
        VirtualDevice& virtualWheel = bus.addWheelBase("wheelbase", false);
        virtualWheel.scriptAnswers(kCmdReadProfile, {late()});
        virtualWheel.plug();
        TARN_wheel_tool window(nullptr, UsbTimings{50, kRetryMs, 20});
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(wheelBasePageLoaded(window), kTimeoutMs);
        QVERIFY(waitUntilQuiet(virtualWheel, kQuietMs));
        QCOMPARE(walkOf(virtualWheel.receivedReports()), (std::vector<int>{3, 5, 5, 5, 3}));
    }
};

QTEST_MAIN(TestLateAnswers)
#include "tst_lateanswers.moc"
