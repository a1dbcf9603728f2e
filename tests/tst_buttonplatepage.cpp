// The button-plate page through the window against a virtual plate: the loaded profile, the
// analog mode and shifter rule, profile switching, the live view and log, statistics, both
// hall-sensor wizards, and the plate's own exchanges (refused load, factory block, accelerometer).

#include "tests/support/devicepagerig.h"
#include "tests/support/dialogscript.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSlider>
#include <QtTest>

namespace {

using Profile = TarnUsbBleButtonPlateProfile;
using Update = TarnUsbBleButtonPlateJoystickUpdate;

// The button plate is the fourth page of the settings stack.
struct Rig : PageRig<ButtonPlateModel, UsbDeviceTarnButtonPlate, 3> {
    using PageRig::PageRig;

    // Raw hall readings: the clutch paddles' (kAuxClutchRaw) or the shifters' (kAuxShifterRaw).
    void injectRaw(uint8_t auxType, uint16_t left, uint16_t right) {
        Update update{0, 0, 0, auxType, {}};
        writeLe16(update.aux, left);
        writeLe16(update.aux + 2, right);
        inject(update);
    }
    // Selects profile `index`: the active index the one live update that follows carries, or
    // -1 when there was not exactly one.
    int select(int index) {
        device.clearReceivedReports();
        auto* selector = widget<QComboBox>("comboBox_ProfileName");
        selector->setCurrentIndex(index);
        emit selector->activated(index);
        waitForWrites(device, 1, kPageTimeoutMs);
        waitUntilQuiet(device, kFastQuietMs);
        const std::vector<ReceivedReport> starts = liveUpdateStarts();
        return starts.size() == 1 ? starts[0].data[27] : -1;
    }
};

bool isLit(const QLabel* label) {
    return label->palette().color(QPalette::Window) == QColor(Qt::red);
}

} // namespace

class TestButtonPlatePage : public QObject {
    Q_OBJECT

private slots:
    // Profile 2 is alike to the loaded profile 1 in every control and still reaches the plate
    // with its own live update, as does profile 0, which differs. Packed fields are compared as
    // values (+): a reference to one may be misaligned.
    void showsEditsAndSwitchesProfiles() {
        Rig rig([](ButtonPlateModel& model) {
            model.activeProfile = 1;
            // Values off the controls' defaults, so that showing them runs every control's slot.
            Profile& p = model.profiles[1];
            p.xTopDeadzone = p.xBottomDeadzone = p.yTopDeadzone = p.yBottomDeadzone = 4;
            p.leftRotarySwitchMode = 2;
            p.rightRotarySwitchMode = 1;
            p.encoderPulseWidth = 7;
            p.ledBrightness = 35;
            p.clutchBitePoint = 37.3f;
            p.shiftersAttackPoint = 22.5f;
            p.shiftersHysteresis = 40.0f;
            model.profiles[2] = p;
            model.profiles[2].index = 2;
        });
        QVERIFY(rig.load());
        QCOMPARE(commandsOf(rig.device.receivedReports()), (std::vector<int>{3, 5, 5, 5, 3}));
        QCOMPARE(rig.shown("comboBoxMasterClutch horizontalSliderClutchBitePoint "
                           "labelButtonPlateFwBuildInfo"),
                 QString("Right|373|Build date: Feb 02 2024, hash: b7e4c21"));
        QCOMPARE(rig.select(2), 2);

        auto* mode = rig.widget<QComboBox>("comboBoxAnalogInputMode");
        mode->setCurrentIndex(1);
        QVERIFY(!rig.widget<QComboBox>("comboBoxMasterClutch")->isEnabled());
        auto* attack = rig.widget<QDoubleSpinBox>("doubleSpinBoxShiftersAttackPoint");
        auto* hysteresis = rig.widget<QSlider>("horizontalSliderShiftersHysteresis");
        attack->setValue(20.0);
        QCOMPARE(attack->value(), 22.5);
        rig.widget<QDoubleSpinBox>("doubleSpinBoxShiftersHysteresis")->setValue(29.0);
        attack->setValue(15.0);
        hysteresis->setValue(400);
        QCOMPARE(hysteresis->value(), 290);
        attack->setValue(20.1);
        hysteresis->setValue(400);
        QCOMPARE(rig.widget<QSlider>("horizontalSliderShiftersAttackPoint")->value(), 201);
        QVERIFY(rig.liveUpdateSent());
        const Profile sent = rig.sentProfile(2);
        QCOMPARE(+sent.shiftersAttackPoint, 20.1f);
        QCOMPARE(+sent.shiftersHysteresis, 40.0f);
        QCOMPARE(int(sent.analogInputMode), 1);

        QCOMPARE(rig.select(0), 0);
        QVERIFY(rig.widget<QComboBox>("comboBoxMasterClutch")->isEnabled());
    }

    // The button grid, the labels and the bars follow the reports, and a log gets one row per
    // report with raw clutch readings. The bite point the plate reports is shown and kept, not
    // sent back; the user's own edit of it is. A reload empties the labels.
    void liveView() {
        WorkingDirectory working;
        Rig rig;
        QVERIFY(rig.load());
        rig.device.clearReceivedReports();
        rig.click("pushButtonStartLoggingButtonPlate");
        rig.inject(Update{0, 0, ~uint64_t(0), 0xFF, {}});
        QTRY_VERIFY(isLit(rig.widget<QLabel>("buttonPlateButton_33")));
        rig.inject(Update{32768, 65535, 0x8000010000000001ull, kAuxBattery, {255}});
        QTRY_COMPARE(rig.text("labelBatteryVoltage"), QString("Battery voltage: 2.55"));
        for (int n = 1; n <= 64; ++n) {
            const QByteArray name = "buttonPlateButton_" + QByteArray::number(n);
            QVERIFY2(isLit(rig.widget<QLabel>(name)) == (n == 1 || n == 41 || n == 64), name);
        }
        QCOMPARE(rig.shown("labelButtonsDebug labelClutchAxisYDebug axisX"),
                 QString("Buttons: 8000010000000001|Right Clutch (Y axis): 65535 (100.0%)|32768"));
        rig.inject(Update{0, 0, 0, kAuxTimestamp, {0x40, 0xE2, 0x01, 0x00}});
        QTRY_COMPARE(rig.text("labelTimestamp"), QString("Timestamp: 123456"));
        rig.injectRaw(kAuxShifterRaw, 0, 65535);
        QTRY_COMPARE(rig.text("labelShifterAxisYRawDebug"),
                     QString("Right shifter raw (Y axis): 65535 (100.0%)"));
        rig.injectRaw(kAuxClutchRaw, 1234, 4321);
        QTRY_VERIFY(rig.text("labelClutchAxisXRawDebug").contains("1234"));
        rig.click("pushButtonStartLoggingButtonPlate");
        const QList<QByteArray> lines = working.lines("button-plate-log-");
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[1].endsWith(",0,0,1234,4321\r"));

        // 37.5f, little-endian.
        rig.inject(Update{0, 0, 0, kAuxBitePoint, {0x00, 0x00, 0x16, 0x42}});
        QTRY_COMPARE(rig.widget<QDoubleSpinBox>("doubleSpinBoxClutchBitePoint")->value(), 37.5);
        QCOMPARE(+rig.active().clutchBitePoint, 37.5f);
        QVERIFY(!receivesMoreThan(rig.device, 0, kFastQuietMs));
        rig.widget<QDoubleSpinBox>("doubleSpinBoxClutchBitePoint")->setValue(40.0);
        QTRY_COMPARE(rig.liveUpdateStarts().size(), size_t(1));
        rig.click("pushButton_LoadConfig");
        QVERIFY(rig.load());
        QCOMPARE(rig.text("labelBatteryVoltage"), QString());
    }

    // Each step samples the raw reading of its paddle held when Next is clicked; a release above
    // the press is refused with a box. While one wizard runs the other does not start. The
    // plate's acknowledgement of the save closes the wizard. The texts the buttons show while
    // starting, saving and closing are checked with the pedals' wizard (tst_pedalspage).
    void wizardWalk_data() {
        QTest::addColumn<bool>("shifters");
        QTest::newRow("clutch paddles") << false;
        QTest::newRow("paddle shifters") << true;
    }
    void wizardWalk() {
        QFETCH(bool, shifters);
        const QByteArray pair = shifters ? "Shifters" : "Clutches";
        const QByteArray start = "pushButtonCalibrate" + pair;
        const QByteArray other =
            shifters ? "pushButtonCalibrateClutches" : "pushButtonCalibrateShifters";
        const QByteArray tips =
            shifters ? "labelShiftersCalibrationTips" : "labelClutchCalibrationTips";
        const uint8_t auxType = shifters ? kAuxShifterRaw : kAuxClutchRaw;
        Rig rig;
        QVERIFY(rig.load());
        rig.device.clearReceivedReports();
        auto* next = rig.widget<QPushButton>(start + "NextStep");
        auto* prev = rig.widget<QPushButton>(start + "PrevStep");
        rig.click(start);
        rig.click(other);
        QCOMPARE(rig.text(tips), QString("Press the Left %1 with desired maximum force.")
                                     .arg(shifters ? "Paddle shifter" : "Clutch paddle"));
        QVERIFY(!rig.widget<QPushButton>(other + "NextStep")->isEnabled());
        const QByteArray raw = shifters ? "labelShifterAxis" : "labelClutchAxis";
        auto shows = [&](const char* axis, uint16_t value) {
            return rig.text(raw + axis + "RawDebug").contains(": " + QString::number(value) + " (");
        };
        DialogScript dialogs;
        const uint16_t readings[][2] = {{50000, 0}, {50001, 0}, {1000, 0}, {0, 52000}, {0, 1200}};
        for (const auto& reading : readings) {
            rig.injectRaw(auxType, reading[0], reading[1]);
            QTRY_VERIFY(shows("X", reading[0]) && shows("Y", reading[1]));
            if (reading[0] == 50001)
                dialogs.closeMessageBox();
            next->click();
            if (reading[0] == 50000) {
                prev->click();
                QVERIFY(!prev->isEnabled());
                next->click();
            }
        }
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].text, QString("Min value can't be greater than max."));
        next->click();
        QVERIFY(!next->isEnabled() && !prev->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(rig.widget<QPushButton>(start)->isEnabled(), kPageTimeoutMs);
        QCOMPARE(rig.text(tips), QString(" "));
        const std::vector<ReceivedReport> saves = withCommand(rig.device.receivedReports(), 16);
        QCOMPARE(saves.size(), size_t(1));
        QCOMPARE(int(saves[0].data[3]), int(shifters));
        // Bytes 21..36 hold the clutch paddles' record, then the shifters'.
        const QByteArray walked = QByteArray::fromHex("50c320cbe803b004"), unused(8, 0);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(saves[0].data.data()) + 21, 16),
                 shifters ? unused + walked : walked + unused);
    }

    // Newer firmware, or a list longer than the plate's 100 profiles, ends the load at its
    // first answer, before the firmware hash is taken; the window tells why.
    void refusedLoad() {
        for (const auto& [version, count] : {std::pair{4, 3}, {3, 101}}) {
            DialogScript dialogs;
            dialogs.closeMessageBox();
            Rig rig([version = version, count = count](ButtonPlateModel& model) {
                model.protocolVersion = uint8_t(version);
                model.setProfileCount(size_t(count));
            });
            QTRY_VERIFY_WITH_TIMEOUT(dialogs.done(), kPageTimeoutMs);
            QVERIFY(waitUntilQuiet(rig.device, kFastQuietMs));
            QCOMPARE(commandsOf(rig.device.receivedReports()), std::vector<int>{3});
            QCOMPARE(rig.selected()->firmwareHash, 0u);
        }
    }

    // A statistics page nobody asked for, or the plate answering the end of a read, changes
    // nothing. The statistics buttons stay disabled from a click until the plate answers; the
    // virtual plate's counter at structure offset n holds 1000 + n. The factory block carries the
    // two calibration records at its bytes 17..32.
    void statisticsFactoryBlockAndAccelerometer() {
        Rig rig([](ButtonPlateModel& model) { model.factoryBlock[0] = 0x42; });
        QVERIFY(rig.load());
        UsbDeviceTarnButtonPlate& plate = *rig.selected();
        rig.device.clearReceivedReports();
        for (const uint8_t page : {0, 6}) {
            std::vector<uint8_t> answer = responseReport(kCmdReadStatistics, 3);
            std::fill(answer.begin() + 4, answer.end(), 0x77);
            answer[3] = page;
            rig.device.injectReport(answer);
        }
        QVERIFY(!receivesMoreThan(rig.device, 0, kFastQuietMs));
        QCOMPARE(rig.text("labelActiveMinutesCounter"), QString("-"));
        QCOMPARE(+plate.statistics.rotaryLeftClicks, 0u);

        auto* load = rig.widget<QPushButton>("pushButtonLoadStatistics");
        auto* reset = rig.widget<QPushButton>("pushButtonResetStatistics");
        rig.click("pushButtonLoadStatistics");
        QVERIFY(!load->isEnabled() && !reset->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(load->isEnabled() && reset->isEnabled(), kPageTimeoutMs);
        QCOMPARE(rig.shown("labelRotaryRightContact12 labelShifterLeftTravel "
                           "labelActiveMinutesCounter"),
                 QString("1108|%1|1284").arg(1252 + (quint64(1256) << 32)));
        rig.click("pushButtonResetStatistics");
        QVERIFY(!load->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(load->isEnabled() && reset->isEnabled(), kPageTimeoutMs);
        // Pages 0 to 5 are awaited in turn; page 6 ends the read without being awaited.
        QVERIFY(waitUntilQuiet(rig.device, kFastQuietMs));
        QCOMPARE(commandsOf(rig.device.receivedReports()),
                 (std::vector<int>{21, 21, 21, 21, 21, 21, 21, 22}));

        plate.clutchCalibration.record = {1, 2, 3, 4};
        plate.shifterCalibration.record = {5, 6, 7, 8};
        QSignalSpy saved(&plate, &UsbDeviceTarnButtonPlate::onSettingsSaved);
        plate.saveFactorySettings();
        QVERIFY(saved.wait(kPageTimeoutMs));
        QSignalSpy loaded(&plate, &UsbDeviceTarnButtonPlate::onSettingsLoaded);
        plate.loadFactorySettings();
        QVERIFY(loaded.wait(kPageTimeoutMs));
        const uint16_t records[] = {1, 2, 3, 4, 5, 6, 7, 8};
        QCOMPARE(plate.factorySettingsBlock[0], uint8_t(0x42));
        QCOMPARE(std::memcmp(plate.factorySettingsBlock + 17, records, sizeof records), 0);
        QSignalSpy tested(&plate, &UsbDeviceTarnButtonPlate::onAccelerometerTested);
        plate.accelerometerTest();
        QVERIFY(tested.wait(kPageTimeoutMs));
        QCOMPARE(tested.at(0).at(0).toBool(), true);
    }
};

QTEST_MAIN(TestButtonPlatePage)
#include "tst_buttonplatepage.moc"
