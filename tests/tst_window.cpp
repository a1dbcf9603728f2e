// The main window with virtual wheel bases: selecting and loading the first device, the encoder
// tab of older hardware, a refused firmware version, Factory Defaults and unplugging. Its form
// slots are checked by the test programs' hook (tests/support/slotwarnings.cpp).

#include "tests/support/devicepagerig.h"
#include "tests/support/dialogscript.h"

#include <QComboBox>
#include <QTabWidget>
#include <QtTest>

namespace {

// A wheel base that streams nothing, on the second page of the settings stack.
using Rig = PageRig<WheelBaseModel, UsbDeviceTarnWheelBase, 1>;

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void firstDeviceIsSelectedAndLoaded() {
        Rig rig([](WheelBaseModel& model) { model.setHardwareVersion(3, 9); });
        QVERIFY(rig.load());
        auto* selector = rig.widget<QComboBox>("comboBox_UsbDevice");
        QCOMPARE(selector->count(), 1);
        QCOMPARE(selector->currentText(),
                 QStringLiteral("TARN Torvane Wheel Base (SW version: 2.7, HW version: 3.9)"));
        QCOMPARE(rig.text("labelWheelBaseFwBuildInfo"),
                 QStringLiteral("Build date: Mar 14 2024 10:21:33, hash: 5e1f0c3a"));
        // Hardware before version 4 has its encoder set here (later versions: tst_wheelbasepage).
        auto* tabs = rig.widget<QTabWidget>("tabWidget");
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i)
            titles << tabs->tabText(i);
        QCOMPARE(titles.join('|'), QStringLiteral("FFB|Filters|End stops|Encoder|Debug"));

        // The loaded profile is shown without being written back.
        QCOMPARE(commandsOf(rig.device.receivedReports()), (std::vector<int>{3, 5, 5, 5, 3}));

        // Factory Defaults asks first, No by default; only Yes resets.
        rig.device.clearReceivedReports();
        DialogScript dialogs;
        dialogs.answerMessageBox(QMessageBox::No);
        dialogs.answerMessageBox(QMessageBox::Yes);
        rig.click("pushButton_SetDefaultConfig");
        rig.click("pushButton_SetDefaultConfig");
        QVERIFY(dialogs.done());
        QCOMPARE(
            dialogs.shown[0].messageBox(),
            QStringLiteral("Warning, Yes|No, default No: Reset settings?: Are you sure you want to "
                           "reset all settings and profiles? This cannot be undone."));
        // Whatever the No sent would have arrived before what the Yes sent.
        QTRY_VERIFY(!rig.device.receivedReports().empty());
        QCOMPARE(commandsOf(rig.device.receivedReports()), std::vector<int>{8});
    }

    // The wheel base's message is shown and the page stays disabled (that no profile is asked
    // for: tst_virtualbus loadWalk).
    void refusedFirmwareVersionLeavesThePageDisabled() {
        DialogScript dialogs;
        dialogs.closeMessageBox();
        Rig rig([](WheelBaseModel& model) { model.protocolVersion = 8; });
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.shown.size(), 1, kPageTimeoutMs);
        QCOMPARE(dialogs.shown[0].messageBox(),
                 QStringLiteral("Warning, Ok, default Ok: TARN Torvane Wheel Base: Device had a "
                                "newer firmware. Please update this config tool."));
        QCOMPARE(rig.widget<QStackedWidget>("settingsStackedWidget")->currentIndex(), 0);
        for (const char* control :
             {"pushButton_LoadConfig", "pushButton_SaveConfig", "comboBox_ProfileName"})
            QVERIFY2(!rig.widget<QWidget>(control)->isEnabled(), control);
        QVERIFY(!rig.shown("comboBox_UsbDevice").contains("SW"));
    }

    // The current device leaving for the next entry: tst_firmwareupdate.
    void unplugging() {
        Rig rig;
        VirtualDevice& first = rig.device;
        VirtualDevice& second = rig.bus.addWheelBase("wheelbase-b", false);
        second.setJoystickRate(0);
        second.plug();
        auto* selector = rig.widget<QComboBox>("comboBox_UsbDevice");
        QTRY_VERIFY_WITH_TIMEOUT(selector->count() == 2 && showsWheelBase(*rig.window, first),
                                 kPageTimeoutMs);
        QVERIFY(second.receivedReports().empty());

        // An entry before the current one goes: the current device stays selected, loaded and
        // enabled, and is not loaded again.
        selector->setCurrentIndex(1);
        QTRY_VERIFY_WITH_TIMEOUT(showsWheelBase(*rig.window, second), kPageTimeoutMs);
        QVERIFY(waitUntilQuiet(second, kFastQuietMs));
        const size_t loadRequests = second.receivedReports().size();
        first.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(selector->count(), 1, kPageTimeoutMs);
        QVERIFY(!receivesMoreThan(second, loadRequests, kFastQuietMs));
        QVERIFY(showsWheelBase(*rig.window, second));

        // The last device goes: the empty page, no device.
        second.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(selector->count(), 0, kPageTimeoutMs);
        QCOMPARE(rig.window->selectedDevice(), nullptr);
        QCOMPARE(rig.widget<QStackedWidget>("settingsStackedWidget")->currentIndex(), 0);
        QVERIFY(!rig.widget<QPushButton>("pushButton_LoadConfig")->isEnabled());
        QVERIFY(rig.widget<QPushButton>("pushButton_SetDefaultConfig")->isEnabled());
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
