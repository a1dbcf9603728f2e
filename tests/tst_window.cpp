// The main window with virtual wheel bases: selecting and loading the first device, the encoder
// tab of older hardware, a refused firmware version, Factory Defaults and unplugging. Its form
// slots are checked by the test programs' hook (tests/support/slotwarnings.cpp).

#include "app/tarn_wheel_tool.h"
#include "tests/support/dialogscript.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "tests/support/windowlookup.h"

#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <QtTest>

#include <functional>

namespace {

constexpr int kTimeoutMs = 10000;

// A wheel base that streams nothing, plugged once `setup` has run on its model.
VirtualDevice& addWheelBase(VirtualBus& bus, const char* name,
                            const std::function<void(WheelBaseModel&)>& setup = nullptr) {
    VirtualDevice& wheel = bus.addWheelBase(name, false);
    wheel.setJoystickRate(0);
    if (setup)
        wheel.withModel<WheelBaseModel>(setup);
    wheel.plug();
    return wheel;
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void firstDeviceIsSelectedAndLoaded() {
        VirtualBus bus;
        VirtualDevice& wheel = addWheelBase(
            bus, "wheelbase", [](WheelBaseModel& model) { model.setHardwareVersion(3, 9); });
        TARN_wheel_tool window(nullptr, fastTimings());
        QTRY_VERIFY_WITH_TIMEOUT(wheelBasePageLoaded(window), kTimeoutMs);

        auto* selector = windowWidget<QComboBox>(window, "comboBox_UsbDevice");
        QCOMPARE(selector->count(), 1);
        QCOMPARE(selector->currentText(),
                 QStringLiteral("TARN Torvane Wheel Base (SW version: 2.7, HW version: 3.9)"));
        QCOMPARE(windowWidget<QLabel>(window, "labelWheelBaseFwBuildInfo")->text(),
                 QStringLiteral("Build date: Mar 14 2024 10:21:33, hash: 5e1f0c3a"));
        // Hardware before version 4 has its encoder set here (later versions: tst_wheelbasepage).
        auto* tabs = windowWidget<QTabWidget>(window, "tabWidget");
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i)
            titles << tabs->tabText(i);
        QCOMPARE(titles.join('|'), QStringLiteral("FFB|Filters|End stops|Encoder|Debug"));

        // The loaded profile is shown without being written back.
        QVERIFY(waitUntilQuiet(wheel, kFastQuietMs));
        QCOMPARE(commandsOf(wheel.receivedReports()), (std::vector<int>{3, 5, 5, 5, 3}));

        // Factory Defaults asks first, No by default; only Yes resets.
        wheel.clearReceivedReports();
        DialogScript dialogs;
        dialogs.answerMessageBox(QMessageBox::No);
        dialogs.answerMessageBox(QMessageBox::Yes);
        windowWidget<QPushButton>(window, "pushButton_SetDefaultConfig")->click();
        windowWidget<QPushButton>(window, "pushButton_SetDefaultConfig")->click();
        QVERIFY(dialogs.done());
        QCOMPARE(
            dialogs.shown[0].messageBox(),
            QStringLiteral("Warning, Yes|No, default No: Reset settings?: Are you sure you want to "
                           "reset all settings and profiles? This cannot be undone."));
        // Whatever the No sent would have arrived before what the Yes sent.
        QTRY_VERIFY(!wheel.receivedReports().empty());
        QCOMPARE(commandsOf(wheel.receivedReports()), std::vector<int>{8});
    }

    // The wheel base's message is shown and the page stays disabled (that no profile is asked
    // for: tst_virtualbus loadWalk).
    void refusedFirmwareVersionLeavesThePageDisabled() {
        VirtualBus bus;
        addWheelBase(bus, "wheelbase", [](WheelBaseModel& model) { model.protocolVersion = 8; });
        DialogScript dialogs;
        dialogs.closeMessageBox();
        TARN_wheel_tool window(nullptr, fastTimings());
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.shown.size(), 1, kTimeoutMs);
        QCOMPARE(dialogs.shown[0].messageBox(),
                 QStringLiteral("Warning, Ok, default Ok: TARN Torvane Wheel Base: Device had a "
                                "newer firmware. Please update this config tool."));
        QCOMPARE(windowWidget<QStackedWidget>(window, "settingsStackedWidget")->currentIndex(), 0);
        for (const char* control :
             {"pushButton_LoadConfig", "pushButton_SaveConfig", "comboBox_ProfileName"})
            QVERIFY2(!windowWidget<QWidget>(window, control)->isEnabled(), control);
        QVERIFY(
            !windowWidget<QComboBox>(window, "comboBox_UsbDevice")->currentText().contains("SW"));
    }

    // The current device leaving for the next entry: tst_firmwareupdate.
    void unplugging() {
        VirtualBus bus;
        VirtualDevice& first = addWheelBase(bus, "wheelbase-a");
        VirtualDevice& second = addWheelBase(bus, "wheelbase-b");
        TARN_wheel_tool window(nullptr, fastTimings());
        auto* selector = windowWidget<QComboBox>(window, "comboBox_UsbDevice");
        QTRY_VERIFY_WITH_TIMEOUT(selector->count() == 2 && showsWheelBase(window, first),
                                 kTimeoutMs);
        QVERIFY(second.receivedReports().empty());

        // An entry before the current one goes: the current device stays selected, loaded and
        // enabled, and is not loaded again.
        selector->setCurrentIndex(1);
        QTRY_VERIFY_WITH_TIMEOUT(showsWheelBase(window, second), kTimeoutMs);
        QVERIFY(waitUntilQuiet(second, kFastQuietMs));
        const size_t loadRequests = second.receivedReports().size();
        first.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(selector->count(), 1, kTimeoutMs);
        QVERIFY(!receivesMoreThan(second, loadRequests, kFastQuietMs));
        QVERIFY(showsWheelBase(window, second));

        // The last device goes: the empty page, no device.
        second.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(selector->count(), 0, kTimeoutMs);
        QCOMPARE(window.selectedDevice(), nullptr);
        QCOMPARE(windowWidget<QStackedWidget>(window, "settingsStackedWidget")->currentIndex(), 0);
        QVERIFY(!windowWidget<QPushButton>(window, "pushButton_LoadConfig")->isEnabled());
        QVERIFY(windowWidget<QPushButton>(window, "pushButton_SetDefaultConfig")->isEnabled());
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
