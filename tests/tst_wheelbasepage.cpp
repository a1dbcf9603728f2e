// The main window and its wheel-base page against virtual wheel bases. The window: selecting and
// loading the first device, the encoder tab of older hardware, a refused firmware version, Factory
// Defaults and unplugging; its form slots are checked by the test programs' hook
// (tests/support/slotwarnings.cpp). The page, for its wiring: what each control stores and sends,
// the end-stop and soft end-stop rules, showing a profile, the live-update debounce, the rim and
// telemetry read-outs, the encoder tab of hardware 4 on, Center, Motor realign and the log's
// decimation. The texts, the rim's arithmetic and the 16 ms refresh limit are checked on their own
// functions (tst_wheelbasetexts), the log's rows in tst_telemetrylog.

#include "tests/support/devicepagerig.h"
#include "tests/support/dialogscript.h"
#include "wheelbase/wheelbaselogrows.h"
#include "wheelbase/wheelbaserim.h"
#include "wheelbase/wheelbasetexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

#include <cstddef>

namespace {

using Profile = TarnUsbWheelBaseProfileV5;
// The rim picture's size on screen (offscreen, one device pixel per pixel).
constexpr int kRimSide = 160;

// The wheel base is the second page of the settings stack.
struct Rig : PageRig<WheelBaseModel, UsbDeviceTarnWheelBase, 1> {
    using PageRig::PageRig;

    QPixmap rim() const { return widget<QLabel>("label_Rim_Image")->pixmap(Qt::ReturnByValue); }
    // Sends the steering position until a refresh shows it.
    bool steer(int16_t axis) {
        TarnUsbWheelBaseJoystickUpdate update{};
        update.axis = axis;
        return QTest::qWaitFor(
            [&] { return inject(update), text("label_JoystickValue") == QString::number(axis); },
            kPageTimeoutMs);
    }
};

// The telemetry read-outs, in the order of WheelBaseTelemetryTexts.
const char* const kReadouts =
    "label_debugTicks label_debugMotorState label_debugEncoderState label_debugBisscRaw "
    "label_debugCurrentFaults label_debugClearedFaults label_debugMotorAngle "
    "label_debugEncoderRaw label_debugFfbIn label_debugFfbOut label_debugMaxMotorCurrent "
    "label_debugPsuCurrent label_debugMotorCurrent label_debugPsuTemperature "
    "label_debugMotorTemperature label_debugBrakeTemperature label_debugPowerstageTemperature";

// A control, the value it is given and the profile field it writes (offset and size in the
// packed little-endian record). Its value label is checked where a profile is shown: showing runs
// the same edits.
#define FIELD(name) offsetof(Profile, name), sizeof(Profile::name)
struct Control {
    const char* name;
    int value;
    size_t offset;
    size_t size;
    bool onUserChoiceOnly = false; // a combo box that stores what the user picks, not any change
};

const Control kControls[] = {
    {"spinBox_RotationDegree", 1080, FIELD(rotationDegrees)},
    {"horiSlider_Friction", 33, FIELD(friction)},
    {"horiSlider_Inertia", 44, FIELD(inertia)},
    {"horiSlider_Spring", 55, FIELD(spring)},
    {"horizontalSlider_StaticForceReduction", 70, FIELD(staticForceReduction)},
    {"horizontalSlider_NonLinearity", 10, FIELD(nonLinearity)},
    {"horizontalSlider_EndStopStiffness", 1, FIELD(endStopStiffness)},
    {"spinBox_SoftEndStop", 2000, FIELD(softEndStopDegrees)},
    {"checkBox_SoftEndStop", 1, FIELD(softEndStopEnabled)},
    {"spinBox_EncoderRes", 123456789, FIELD(encoderResolution)},
    {"comboBox_DampingEffect", 2, FIELD(dampingEffect), true},
    {"comboBox_FrictionEffect", 1, FIELD(frictionEffect), true},
    {"comboBox_InertiaEffect", 2, FIELD(inertiaEffect), true},
    {"comboBox_SpringEffect", 1, FIELD(springEffect), true},
    {"comboBox_EncoderType", 0, FIELD(encoderType), true},
    {"comboBox_SlewRate", 1, FIELD(slewRate)},
    {"comboBox_GenSmooth", 9, FIELD(smoothing)}};

uint32_t field(const Profile& profile, const Control& control) {
    uint32_t value = 0;
    std::memcpy(&value, reinterpret_cast<const char*>(&profile) + control.offset, control.size);
    return value;
}

// Gives a control a value from the program; a combo box changes its current item.
void setControl(QWidget* control, int value) {
    for (const char* property : {"currentIndex", "value", "checked"}) {
        if (control->property(property).isValid()) {
            control->setProperty(property, value);
            return;
        }
    }
}

} // namespace

class TestWheelBasePage : public QObject {
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
        // Hardware before version 4 has its encoder set here (later versions: readouts).
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

    // Each control writes its field, a combo box only when the user picks; the end stops never push
    // back softer than the force: a higher force raises them, a lower one leaves them, and an end
    // stop set below the force goes back without asking for an update.
    void eachControlStoresAndSends() {
        Rig rig;
        QVERIFY(rig.load());
        for (const Control& control : kControls) {
            const uint32_t before = field(rig.active(), control);
            setControl(rig.widget<QWidget>(control.name), control.value);
            if (control.onUserChoiceOnly) {
                QVERIFY2(field(rig.active(), control) == before, control.name);
                emit rig.widget<QComboBox>(control.name)->activated(control.value);
            }
            QVERIFY2(field(rig.active(), control) == uint32_t(control.value), control.name);
        }
        QVERIFY(rig.widget<QSpinBox>("spinBox_SoftEndStop")->isEnabled());
        QVERIFY(rig.liveUpdateSent());
        QCOMPARE(bytesOf(rig.sentProfile(0)), bytesOf(rig.selected()->profiles[0]));
        rig.widget<QCheckBox>("checkBox_SoftEndStop")->setChecked(false);
        QVERIFY(!rig.widget<QSpinBox>("spinBox_SoftEndStop")->isEnabled());
        QCOMPARE(int(rig.active().softEndStopEnabled), 0);

        auto* force = rig.widget<QSlider>("horiSlider_Force");
        auto* endStop = rig.widget<QSlider>("horizontalSlider_EndStopMaxForce");
        const QString forces = "horiSlider_Force label_Force horizontalSlider_EndStopMaxForce "
                               "label_EndStopMaxForce";
        endStop->setValue(60);
        force->setValue(80);
        QCOMPARE(rig.shown(forces), QStringLiteral("80|80%|80|80%"));
        force->setValue(30);
        QVERIFY(rig.liveUpdateSent());
        QCOMPARE(rig.shown(forces), QStringLiteral("30|30%|80|80%"));
        QCOMPARE(int(rig.active().endStopMaxForce), 80);
        endStop->setValue(20);
        QCOMPARE(rig.shown(forces), QStringLiteral("30|30%|80|80%"));
        QCOMPARE(int(rig.active().endStopMaxForce), 80);
        QVERIFY(!rig.selected()->updateTimer.isActive());
        endStop->setValue(90);
        QCOMPARE(int(rig.active().endStopMaxForce), 90);
        QVERIFY(rig.selected()->updateTimer.isActive());

        rig.click("pushButtonMotorRealign");
        QTRY_COMPARE(
            rig.model([](WheelBaseModel& model) { return int(model.lastTestCommand.command); }), 3);
    }

    // Loading shows the wheel base's active profile as it is. Choosing another one shows it, makes
    // it the wheel base's active one, raises its end stop to its force, shows a soft end stop other
    // than 1 as off and stores it as 0, and draws the rim again for its rotation.
    void showingAProfile() {
        Rig rig([](WheelBaseModel& model) {
            model.activeProfile = 1;
            // index, name, centre offset, rotation, encoder type and resolution, force, smoothing,
            // damping, friction, inertia, spring, their four effects, reserved, static force
            // reduction, non-linearity, slew rate, end stop force and stiffness, soft end stop.
            model.profiles[1] = {1, "Drift", 0.25f, 540, 1, 65536, 60, 7, 12, 23, 34,  45,
                                 1, 2,       0,     1,   0, 35,    4,  2, 80, 5,  720, 1};
            model.profiles[2].force = 90;
            model.profiles[2].endStopMaxForce = 20;
            model.profiles[2].softEndStopEnabled = 2;
        });
        QVERIFY(rig.load());
        QCOMPARE(
            rig.shown("comboBox_ProfileName label_CenterOffsetDeg comboBox_EncoderType "
                      "spinBox_EncoderRes spinBox_RotationDegree horiSlider_Force label_Force "
                      "label_Damping label_Friction label_Inertia horiSlider_Spring label_Spring "
                      "comboBox_DampingEffect comboBox_FrictionEffect comboBox_InertiaEffect "
                      "comboBox_SpringEffect comboBox_GenSmooth label_StaticForceReduction "
                      "label_NonLinearity comboBox_SlewRate label_EndStopMaxForce "
                      "label_EndStopStiffness spinBox_SoftEndStop checkBox_SoftEndStop"),
            QStringLiteral("Drift|90.00 deg|Incremental (Rev)|65536|540|60|60%|12%|23%|34%|45|"
                           "45%|Game Effect Only|Device and Game Effects|Device Effect Only|"
                           "Game Effect Only|Optimal|35%|4|Quiet|80%|5|720|true"));
        QVERIFY(rig.widget<QSlider>("horiSlider_GenSmooth")->isHidden() &&
                rig.widget<QLabel>("label_GenSmooth")->isHidden());
        QVERIFY(rig.widget<QSpinBox>("spinBox_SoftEndStop")->isEnabled());
        QVERIFY(rig.model([](WheelBaseModel& m) { return bytesOf(m.profiles[1]); }) ==
                bytesOf(rig.active()));

        // Positions 0 and 1 both turn the rim by 0 degrees: the value changes, the picture is not
        // drawn again.
        QVERIFY(rig.steer(0));
        const qint64 upright = rig.rim().cacheKey();
        QVERIFY(rig.steer(1));
        QCOMPARE(rig.rim().cacheKey(), upright);

        QVERIFY(QMetaObject::invokeMethod(rig.window.get(), "on_comboBox_ProfileName_activated",
                                          Q_ARG(int, 2)));
        QCOMPARE(rig.shown("label_EndStopMaxForce checkBox_SoftEndStop comboBox_SlewRate "
                           "comboBox_GenSmooth"),
                 QStringLiteral("90%|false|Perfomance|Legacy 1"));
        QVERIFY(!rig.widget<QSpinBox>("spinBox_SoftEndStop")->isEnabled());
        // Rally turns 900 degrees: full scale turns the rim by half of it.
        QVERIFY(rig.steer(32767));
        QCOMPARE(rig.rim().toImage(), rotatedRim(rimPicture(kRimSide), 449).toImage());
        QVERIFY(rig.liveUpdateSent());
        QCOMPARE(rig.model([](WheelBaseModel& m) { return m.activeProfile; }), uint8_t(2));
        const Profile sent = rig.sentProfile(2);
        QCOMPARE(QString("%1 %2").arg(sent.endStopMaxForce).arg(sent.softEndStopEnabled), "90 0");

        // Center: the wheel base centres on the profile it is sent and is loaded again.
        QSignalSpy loaded(rig.selected(), &UsbSettingsDevice::onSettingsLoaded);
        rig.click("pushButton_CenterRim");
        QVERIFY(loaded.wait(kPageTimeoutMs));
        QVERIFY(rig.load());
        QCOMPARE(rig.shown("label_CenterOffsetDeg comboBox_ProfileName"),
                 QStringLiteral("4.50 deg|Rally"));
    }

    // The one test of the real debounce, which each edit of the wheel base starts again; the others
    // edit with the fast one.
    void editsPushTheLiveUpdateBack() {
        UsbTimings realDebounce = fastTimings();
        realDebounce.updateDebounceMs = UsbTimings().updateDebounceMs;
        Rig rig(nullptr, 0, realDebounce);
        QVERIFY(rig.load());
        rig.device.clearReceivedReports();
        QTimer& debounce = rig.selected()->updateTimer;
        auto* damping = rig.widget<QSlider>("horiSlider_Damping");
        damping->setValue(50);
        QVERIFY(QTest::qWaitFor([&] { return debounce.remainingTime() < 150; }, kPageTimeoutMs));
        if (!debounce.isActive())
            QSKIP("the machine is too loaded to edit again within 250 ms");
        damping->setValue(51);
        // Qt's coarse timers may fire up to 5% early.
        QVERIFY2(debounce.remainingTime() >= 250 * 95 / 100 - 10,
                 qPrintable(QString::number(debounce.remainingTime())));
        QVERIFY(rig.liveUpdateSent());
        QCOMPARE(commandsOf(rig.device.receivedReports()), (std::vector<int>{12, 13, 13, 13, 12}));
        QCOMPARE(int(rig.sentProfile(0).damping), 51);
    }

    void noLiveUpdateBeforeTheFirstLoad() {
        // The first three load requests go unanswered: the device is selected but not loaded.
        Rig rig(nullptr, 0, fastTimings(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.device.receivedReports().empty(), kPageTimeoutMs);
        auto* force = rig.widget<QSlider>("horiSlider_Force");
        for (int value = 10; value < 20; ++value)
            force->setValue(value);
        // Two resends later, the debounce would long have fired.
        static_assert(fastTimings().updateDebounceMs < 2 * fastTimings().retryIntervalMs);
        QTRY_VERIFY_WITH_TIMEOUT(rig.device.receivedReports().size() >= 3, kPageTimeoutMs);
        QVERIFY(rig.load());
        QVERIFY(withCommand(rig.device.receivedReports(), 12).empty());
        // Only the next edit is sent.
        rig.device.clearReceivedReports();
        force->setValue(20);
        QVERIFY(rig.liveUpdateSent());
        QCOMPARE(commandsOf(rig.device.receivedReports()).front(), 12);
    }

    // The steering position and the telemetry show from a telemetry report or a trace's payload,
    // an unasked telemetry answer at once. A reload empties the telemetry, goes back to the first
    // tab and removes no further tab.
    void readouts() {
        Rig rig;
        QVERIFY(rig.load());
        TarnUsbWheelBaseJoystickUpdate update{};
        update.axis = 1234;
        update.logKind = kWheelBaseLogTelemetry;
        update.telemetry = {0,     987654, 3,   -2,  -45.678f, 4194303, 12.5f, 12.125f, 8,
                            0x101, 6,      155, -12, 17,       41,      52,    63,      74};
        const WheelBaseTelemetryTexts t = telemetryTexts(update.telemetry);
        QTRY_COMPARE((rig.inject(update), rig.text("label_debugTicks")), t.ticks);
        QCOMPARE(rig.text("label_JoystickValue"), QStringLiteral("1234"));
        QCOMPARE(rig.shown(kReadouts),
                 QStringList({t.ticks, t.motorState, t.encoderState, t.bisscRaw, t.currentFaults,
                              t.clearedFaults, t.motorAngle, t.encoderRaw, t.ffbIn, t.ffbOut,
                              t.maxMotorCurrent, t.psuCurrent, t.motorCurrent, t.psuTemperature,
                              t.motorTemperature, t.brakeTemperature, t.powerstageTemperature})
                     .join('|'));

        // A trace's payload bytes 0..3 are the reserved byte and ticks 0..2.
        TarnUsbWheelBaseJoystickUpdate trace{};
        trace.logKind = kWheelBaseLogCommutationTrace;
        trace.commutationTrace.ticks = 0x01020304;
        QTRY_COMPARE((rig.inject(trace), rig.text("label_debugTicks")), QString::number(0x010203));

        // Right after that refresh, an unasked telemetry answer (command 2) still shows.
        QSignalSpy answers(rig.selected(), &UsbDeviceTarnWheelBase::onDebugOutput);
        std::vector<uint8_t> answer = responseReport(2, 7);
        answer[4] = 42; // the ticks
        rig.device.injectReport(answer);
        QVERIFY(answers.wait(kPageTimeoutMs));
        QCOMPARE(rig.text("label_debugTicks"), QStringLiteral("42"));

        auto* tabs = rig.widget<QTabWidget>("tabWidget");
        tabs->setCurrentIndex(tabs->count() - 1);
        // A reload disables saving until it has ended and adds no second version.
        rig.click("pushButton_LoadConfig");
        QVERIFY(!rig.widget<QPushButton>("pushButton_SaveConfig")->isEnabled());
        QVERIFY(rig.load());
        QCOMPARE(rig.shown("comboBox_UsbDevice").count("SW version:"), 1);
        QCOMPARE(tabs->currentIndex(), 0);
        // Hardware 4.1 sets its encoder itself: its tab went at the first load, and only that one.
        QCOMPARE(tabs->count(), 4);
        QCOMPARE(tabs->tabText(2) + '|' + tabs->tabText(3), QStringLiteral("End stops|Debug"));
        QCOMPARE(rig.shown(kReadouts), QString(16, '|'));
    }

    // With "output modulo" 10 when the log starts, one report in ten is written; changing the box
    // during the log changes nothing. A log started before the first report gets its header with
    // its first row. The box enables its spin box.
    void logsEveryTenthReport() {
        WorkingDirectory working;
        Rig rig;
        QVERIFY(rig.load());
        auto* modulo = rig.widget<QSpinBox>("spinBox_outputModulo");
        rig.widget<QCheckBox>("checkBox_outputModulo")->setChecked(true);
        QVERIFY(modulo->isEnabled());
        modulo->setValue(10);
        rig.click("pushButton_LoggingWheelBase");
        modulo->setValue(1);
        TarnUsbWheelBaseJoystickUpdate update{};
        update.logKind = kWheelBaseLogTelemetry;
        for (update.telemetry.ticks = 1; update.telemetry.ticks <= 30; ++update.telemetry.ticks)
            rig.inject(update);
        // Reports of no log kind write no row: one shown means the thirty were handled.
        update.logKind = 0;
        QTRY_COMPARE((rig.inject(update), rig.text("label_debugTicks")), QString("31"));
        rig.click("pushButton_LoggingWheelBase");
        const QList<QByteArray> lines = working.lines("wheel-log-");
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0] + '\n', wheelBaseLogHeader(kWheelBaseLogTelemetry));
        for (int row = 1; row <= 3; ++row)
            QCOMPARE(lines[row].split(',')[5], QByteArray::number(10 * row));
        rig.widget<QCheckBox>("checkBox_outputModulo")->setChecked(false);
        QVERIFY(!modulo->isEnabled());
    }
};

QTEST_MAIN(TestWheelBasePage)
#include "tst_wheelbasepage.moc"
