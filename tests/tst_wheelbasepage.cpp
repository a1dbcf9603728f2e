// The wheel-base page against a virtual wheel base: what each control stores and sends, the
// end-stop and soft end-stop rules, showing a profile, the rim, the refresh limit, the telemetry
// labels, Center and Motor realign.

#include "app/tarn_wheel_tool.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/windowlookup.h"
#include "usb/usbmanager.h"
#include "wheelbase/usbdevicetarnwheelbase.h"
#include "wheelbase/wheelbaserim.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QtTest>

#include <cstring>
#include <functional>
#include <memory>

namespace {

constexpr int kLoadTimeoutMs = 10000;
constexpr uint64_t kDebounceMicros = 250000;
// The rim picture's size on screen (offscreen, one device pixel per pixel).
constexpr int kRimSide = 160;
// Qt's coarse timers may fire up to 5% early.
constexpr uint64_t kDebounceEarlyMicros = 13000;

// A window on a private bus with one virtual wheel base that streams nothing unless told.
struct Rig {
    using Setup = std::function<void(WheelBaseModel&)>;

    explicit Rig(const Setup& setup = nullptr, const UsbTimings& timings = fastTimings())
        : wheel(bus.addWheelBase("wheelbase", false)) {
        wheel.setJoystickRate(0);
        if (setup)
            wheel.withModel<WheelBaseModel>(setup);
        wheel.plug();
        window = std::make_unique<TARN_wheel_tool>(nullptr, timings);
        window->show();
    }

    template <class T> T* widget(const char* name) const { return windowWidget<T>(*window, name); }
    bool isLoaded() const { return wheelBasePageLoaded(*window); }
    UsbDeviceTarnWheelBase* device() const { return selectedWheelBase(*window); }
    TarnUsbWheelBaseProfileV5& active() const { return device()->activeProfile(); }
    QString text(const char* label) const { return widget<QLabel>(label)->text(); }

    // Sends a joystick report; the window shows it only if its last refresh is 16 ms old.
    void injectJoystick(const TarnUsbWheelBaseJoystickUpdate& update) {
        std::vector<uint8_t> report = joystickReport();
        std::memcpy(report.data() + 1, &update, sizeof update);
        wheel.injectReport(report);
    }
    void injectAxis(int16_t axis) {
        TarnUsbWheelBaseJoystickUpdate update{};
        update.axis = axis;
        update.logKind = kWheelBaseLogTelemetry;
        injectJoystick(update);
    }
    // The whole live-update exchange has run: start, one record per profile, end.
    bool liveUpdateEnded() const {
        for (const ReceivedReport& report : withCommand(wheel.receivedReports(), 12)) {
            if (report.data[58] == 0xFF)
                return true;
        }
        return false;
    }

    VirtualBus bus;
    VirtualDevice& wheel;
    std::unique_ptr<TARN_wheel_tool> window;
};

std::vector<ReceivedReport> liveUpdateStarts(const VirtualDevice& wheel) {
    std::vector<ReceivedReport> starts;
    for (const ReceivedReport& report : withCommand(wheel.receivedReports(), 12)) {
        if (report.data[58] != 0xFF)
            starts.push_back(report);
    }
    return starts;
}

// The profile record that a live update sent for `index`.
TarnUsbWheelBaseProfileV5 sentProfile(const VirtualDevice& wheel, int index) {
    TarnUsbWheelBaseProfileV5 profile{};
    for (const ReceivedReport& report : withCommand(wheel.receivedReports(), 13)) {
        if (report.data[3] == index)
            std::memcpy(&profile, report.data.data() + 3, sizeof profile);
    }
    return profile;
}

QImage shownRim(const Rig& rig) {
    return rig.widget<QLabel>("label_Rim_Image")->pixmap(Qt::ReturnByValue).toImage();
}

qint64 shownRimKey(const Rig& rig) {
    return rig.widget<QLabel>("label_Rim_Image")->pixmap(Qt::ReturnByValue).cacheKey();
}

} // namespace

class TestWheelBasePage : public QObject {
    Q_OBJECT

private slots:
    void showsTheActiveProfile();
    void slidersWriteTheirFieldsAndLabels();
    void tenMovesGiveOneLiveUpdate();
    void noLiveUpdateBeforeTheFirstLoad();
    void forceRaisesTheEndStop();
    void endStopSnapsBackBelowTheForce();
    void showingAProfileRaisesAnEndStopBelowItsForce();
    void softEndStopTwoIsShownOffAndStoredAsZero();
    void effectCombosReactToUserChoiceOnly();
    void slewRateAndSmoothingReactToAnyChange();
    void rimFollowsTheAxis();
    void showingAProfileRedrawsTheSameAxis();
    void refreshAtMostEvery16ms();
    void telemetryLabels();
    void commandTwoTelemetryIsShownAtOnce();
    void reloadEmptiesTheTelemetry();
    void centerSendsTheProfileAndShowsTheNewOffset();
    void motorRealign();
    void outputModuloEnablesItsSpinBox();
};

void TestWheelBasePage::showsTheActiveProfile() {
    Rig rig([](WheelBaseModel& model) {
        model.activeProfile = 1;
        TarnUsbWheelBaseProfileV5& drift = model.profiles[1];
        drift.centerOffset = 0.25f;
        drift.encoderType = 1;
        drift.encoderResolution = 65536;
        drift.damping = 12;
        drift.friction = 23;
        drift.inertia = 34;
        drift.spring = 45;
        drift.dampingEffect = 1;
        drift.frictionEffect = 2;
        drift.inertiaEffect = 0;
        drift.springEffect = 1;
        drift.smoothing = 7;
        drift.staticForceReduction = 35;
        drift.nonLinearity = 4;
        drift.slewRate = 2;
        drift.endStopStiffness = 5;
        drift.softEndStopDegrees = 720;
        drift.softEndStopEnabled = 1;
    });
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);

    QCOMPARE(rig.widget<QComboBox>("comboBox_ProfileName")->currentText(), QStringLiteral("Drift"));
    QCOMPARE(rig.text("label_CenterOffsetDeg"), QStringLiteral("90.00 deg"));
    QCOMPARE(rig.widget<QComboBox>("comboBox_EncoderType")->currentText(),
             QStringLiteral("Incremental (Rev)"));
    QCOMPARE(rig.widget<QSpinBox>("spinBox_EncoderRes")->value(), 65536);
    QCOMPARE(rig.widget<QSpinBox>("spinBox_RotationDegree")->value(), 540);
    QCOMPARE(rig.widget<QSlider>("horiSlider_Force")->value(), 60);
    QCOMPARE(rig.text("label_Force"), QStringLiteral("60%"));
    QCOMPARE(rig.text("label_Damping"), QStringLiteral("12%"));
    QCOMPARE(rig.text("label_Friction"), QStringLiteral("23%"));
    QCOMPARE(rig.text("label_Inertia"), QStringLiteral("34%"));
    QCOMPARE(rig.widget<QSlider>("horiSlider_Spring")->value(), 45);
    QCOMPARE(rig.text("label_Spring"), QStringLiteral("45%"));
    QCOMPARE(rig.widget<QComboBox>("comboBox_DampingEffect")->currentText(),
             QStringLiteral("Game Effect Only"));
    QCOMPARE(rig.widget<QComboBox>("comboBox_FrictionEffect")->currentText(),
             QStringLiteral("Device and Game Effects"));
    QCOMPARE(rig.widget<QComboBox>("comboBox_InertiaEffect")->currentIndex(), 0);
    QCOMPARE(rig.widget<QComboBox>("comboBox_SpringEffect")->currentIndex(), 1);
    QCOMPARE(rig.widget<QComboBox>("comboBox_GenSmooth")->currentText(), QStringLiteral("Optimal"));
    QVERIFY(rig.widget<QSlider>("horiSlider_GenSmooth")->isHidden());
    QVERIFY(rig.widget<QLabel>("label_GenSmooth")->isHidden());
    QCOMPARE(rig.text("label_StaticForceReduction"), QStringLiteral("35%"));
    QCOMPARE(rig.text("label_NonLinearity"), QStringLiteral("4"));
    QCOMPARE(rig.widget<QComboBox>("comboBox_SlewRate")->currentText(), QStringLiteral("Quiet"));
    QCOMPARE(rig.text("label_EndStopMaxForce"), QStringLiteral("80%"));
    QCOMPARE(rig.text("label_EndStopStiffness"), QStringLiteral("5"));
    QCOMPARE(rig.widget<QSpinBox>("spinBox_SoftEndStop")->value(), 720);
    QVERIFY(rig.widget<QSpinBox>("spinBox_SoftEndStop")->isEnabled());
    QVERIFY(rig.widget<QCheckBox>("checkBox_SoftEndStop")->isChecked());

    // Showing wrote the same values back: the profile is as the device sent it.
    const TarnUsbWheelBaseProfileV5 sent = rig.wheel.withModel<WheelBaseModel>(
        [](WheelBaseModel& model) { return model.profiles[1]; });
    QCOMPARE(std::memcmp(&rig.device()->profiles[1], &sent, sizeof sent), 0);
}

void TestWheelBasePage::slidersWriteTheirFieldsAndLabels() {
    Rig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    rig.widget<QSpinBox>("spinBox_RotationDegree")->setValue(1080);
    rig.widget<QSlider>("horiSlider_Friction")->setValue(33);
    rig.widget<QSlider>("horiSlider_Inertia")->setValue(44);
    rig.widget<QSlider>("horiSlider_Spring")->setValue(55);
    rig.widget<QSlider>("horizontalSlider_StaticForceReduction")->setValue(70);
    rig.widget<QSlider>("horizontalSlider_NonLinearity")->setValue(10);
    rig.widget<QSlider>("horizontalSlider_EndStopStiffness")->setValue(1);
    rig.widget<QSpinBox>("spinBox_SoftEndStop")->setValue(2000);
    rig.widget<QCheckBox>("checkBox_SoftEndStop")->setChecked(true);
    rig.widget<QSpinBox>("spinBox_EncoderRes")->setValue(123456789);

    QCOMPARE(rig.text("label_Friction"), QStringLiteral("33%"));
    QCOMPARE(rig.text("label_Inertia"), QStringLiteral("44%"));
    QCOMPARE(rig.text("label_Spring"), QStringLiteral("55%"));
    QCOMPARE(rig.text("label_StaticForceReduction"), QStringLiteral("70%"));
    QCOMPARE(rig.text("label_NonLinearity"), QStringLiteral("10"));
    QCOMPARE(rig.text("label_EndStopStiffness"), QStringLiteral("1"));
    QVERIFY(rig.widget<QSpinBox>("spinBox_SoftEndStop")->isEnabled());

    QTRY_VERIFY_WITH_TIMEOUT(rig.liveUpdateEnded(), kLoadTimeoutMs);
    const TarnUsbWheelBaseProfileV5 sent = sentProfile(rig.wheel, 0);
    QCOMPARE(int(sent.rotationDegrees), 1080);
    QCOMPARE(int(sent.friction), 33);
    QCOMPARE(int(sent.inertia), 44);
    QCOMPARE(int(sent.spring), 55);
    QCOMPARE(int(sent.staticForceReduction), 70);
    QCOMPARE(int(sent.nonLinearity), 10);
    QCOMPARE(int(sent.endStopStiffness), 1);
    QCOMPARE(uint(sent.softEndStopDegrees), 2000u);
    QCOMPARE(int(sent.softEndStopEnabled), 1);
    QCOMPARE(int(sent.encoderResolution), 123456789);
    QCOMPARE(std::strcmp(sent.name, "Road"), 0);

    rig.widget<QCheckBox>("checkBox_SoftEndStop")->setChecked(false);
    QVERIFY(!rig.widget<QSpinBox>("spinBox_SoftEndStop")->isEnabled());
    QCOMPARE(int(rig.active().softEndStopEnabled), 0);
}

// The one test of the real debounce; the other tests edit with the fast one.
void TestWheelBasePage::tenMovesGiveOneLiveUpdate() {
    UsbTimings realDebounce = fastTimings();
    realDebounce.updateDebounceMs = UsbTimings().updateDebounceMs;
    Rig rig(nullptr, realDebounce);
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    rig.wheel.clearReceivedReports();
    auto* damping = rig.widget<QSlider>("horiSlider_Damping");

    // Ten moves 30 ms apart: more than 250 ms from first to last, less between two.
    QList<uint64_t> moveTimes;
    QTimer mover;
    connect(&mover, &QTimer::timeout, [&] {
        damping->setValue(damping->value() + 5);
        moveTimes.append(currentTimeMicros());
        if (moveTimes.size() == 10)
            mover.stop();
    });
    mover.start(30);
    QTRY_COMPARE(moveTimes.size(), 10);
    for (int i = 1; i < moveTimes.size(); ++i) {
        if (moveTimes[i] - moveTimes[i - 1] >= kDebounceMicros - kDebounceEarlyMicros)
            QSKIP("the machine is too loaded to move the slider within 250 ms");
    }
    QTRY_VERIFY_WITH_TIMEOUT(rig.liveUpdateEnded(), kLoadTimeoutMs);

    const std::vector<ReceivedReport> starts = liveUpdateStarts(rig.wheel);
    QCOMPARE(starts.size(), size_t(1));
    const uint64_t delay = starts[0].timeMicros - moveTimes.last();
    QVERIFY2(delay >= kDebounceMicros - kDebounceEarlyMicros, qPrintable(QString::number(delay)));
    QVERIFY2(delay < 3 * kDebounceMicros, qPrintable(QString::number(delay)));
    QCOMPARE(int(starts[0].data[2]), 7);
    QCOMPARE(int(starts[0].data[58]), 3);
    QCOMPARE(int(starts[0].data[59]), 0);
    QCOMPARE(commandsOf(rig.wheel.receivedReports()), (std::vector<int>{12, 13, 13, 13, 12}));
    QCOMPARE(int(sentProfile(rig.wheel, 0).damping), 51);
    QCOMPARE(rig.text("label_Damping"), QStringLiteral("51%"));
}

void TestWheelBasePage::noLiveUpdateBeforeTheFirstLoad() {
    // The first three load requests go unanswered: the device is selected but not loaded.
    VirtualBus bus;
    VirtualDevice& wheel = bus.addWheelBase("wheelbase", false);
    wheel.setJoystickRate(0);
    wheel.holdBackAnswers(3);
    wheel.plug();
    TARN_wheel_tool window(nullptr, fastTimings());
    QTRY_VERIFY_WITH_TIMEOUT(!wheel.receivedReports().empty(), kLoadTimeoutMs);
    auto* force = window.findChild<QSlider*>(QStringLiteral("horiSlider_Force"));
    for (int value = 10; value < 20; ++value)
        force->setValue(value);
    // Two resends later, the debounce would long have fired.
    static_assert(fastTimings().updateDebounceMs < 2 * fastTimings().retryIntervalMs);
    QTRY_VERIFY_WITH_TIMEOUT(wheel.receivedReports().size() >= 3, kLoadTimeoutMs);
    QVERIFY(withCommand(wheel.receivedReports(), 12).empty());

    // The load completes; only the next edit is sent.
    auto* save = window.findChild<QPushButton*>(QStringLiteral("pushButton_SaveConfig"));
    QTRY_VERIFY_WITH_TIMEOUT(save->isEnabled(), kLoadTimeoutMs);
    QVERIFY(withCommand(wheel.receivedReports(), 12).empty());
    wheel.clearReceivedReports();
    force->setValue(20);
    QTRY_VERIFY_WITH_TIMEOUT(!withCommand(wheel.receivedReports(), 12).empty(), kLoadTimeoutMs);
    QCOMPARE(commandsOf(wheel.receivedReports()).front(), 12);
}

void TestWheelBasePage::forceRaisesTheEndStop() {
    Rig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    auto* endStop = rig.widget<QSlider>("horizontalSlider_EndStopMaxForce");
    endStop->setValue(60);
    QCOMPARE(int(rig.active().endStopMaxForce), 60);

    rig.widget<QSlider>("horiSlider_Force")->setValue(80);
    QCOMPARE(endStop->value(), 80);
    QCOMPARE(rig.text("label_Force"), QStringLiteral("80%"));
    QCOMPARE(rig.text("label_EndStopMaxForce"), QStringLiteral("80%"));
    QCOMPARE(int(rig.active().force), 80);
    QCOMPARE(int(rig.active().endStopMaxForce), 80);

    // A lower force leaves the end stop where it is.
    rig.widget<QSlider>("horiSlider_Force")->setValue(30);
    QCOMPARE(endStop->value(), 80);

    QTRY_VERIFY_WITH_TIMEOUT(rig.liveUpdateEnded(), kLoadTimeoutMs);
    QCOMPARE(int(sentProfile(rig.wheel, 0).force), 30);
    QCOMPARE(int(sentProfile(rig.wheel, 0).endStopMaxForce), 80);
}

void TestWheelBasePage::endStopSnapsBackBelowTheForce() {
    Rig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    rig.widget<QSlider>("horiSlider_Force")->setValue(80);
    QTRY_VERIFY_WITH_TIMEOUT(rig.liveUpdateEnded(), kLoadTimeoutMs);
    QVERIFY(!rig.device()->updateTimer.isActive());

    auto* endStop = rig.widget<QSlider>("horizontalSlider_EndStopMaxForce");
    endStop->setValue(50);
    QCOMPARE(endStop->value(), 80);
    QCOMPARE(rig.text("label_EndStopMaxForce"), QStringLiteral("80%"));
    QCOMPARE(int(rig.active().endStopMaxForce), 80);
    QVERIFY(!rig.device()->updateTimer.isActive());

    endStop->setValue(90);
    QCOMPARE(int(rig.active().endStopMaxForce), 90);
    QVERIFY(rig.device()->updateTimer.isActive());
}

void TestWheelBasePage::showingAProfileRaisesAnEndStopBelowItsForce() {
    // The end-stop slider already shows 90 from the first profile when the second one, whose
    // end stop is below its force of 90, is shown.
    Rig rig([](WheelBaseModel& model) {
        model.profiles[0].endStopMaxForce = 90;
        model.profiles[1].force = 90;
        model.profiles[1].endStopMaxForce = 20;
    });
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    QCOMPARE(rig.widget<QSlider>("horizontalSlider_EndStopMaxForce")->value(), 90);

    rig.wheel.clearReceivedReports();
    QVERIFY(QMetaObject::invokeMethod(rig.window.get(), "on_comboBox_ProfileName_activated",
                                      Q_ARG(int, 1)));
    QCOMPARE(int(rig.device()->currentProfile), 1);
    QCOMPARE(int(rig.device()->profiles[1].endStopMaxForce), 90);
    QCOMPARE(rig.text("label_EndStopMaxForce"), QStringLiteral("90%"));

    // Showing a loaded profile makes it the wheel base's active one.
    QTRY_VERIFY_WITH_TIMEOUT(rig.liveUpdateEnded(), kLoadTimeoutMs);
    const std::vector<ReceivedReport> starts = liveUpdateStarts(rig.wheel);
    QCOMPARE(starts.size(), size_t(1));
    QCOMPARE(int(starts[0].data[59]), 1);
    QCOMPARE(int(sentProfile(rig.wheel, 1).endStopMaxForce), 90);
}

void TestWheelBasePage::softEndStopTwoIsShownOffAndStoredAsZero() {
    Rig rig([](WheelBaseModel& model) { model.profiles[0].softEndStopEnabled = 2; });
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    QVERIFY(!rig.widget<QCheckBox>("checkBox_SoftEndStop")->isChecked());
    QVERIFY(!rig.widget<QSpinBox>("spinBox_SoftEndStop")->isEnabled());
    QCOMPARE(int(rig.active().softEndStopEnabled), 0);

    rig.widget<QSlider>("horiSlider_Spring")->setValue(9);
    QTRY_VERIFY_WITH_TIMEOUT(rig.liveUpdateEnded(), kLoadTimeoutMs);
    QCOMPARE(int(sentProfile(rig.wheel, 0).softEndStopEnabled), 0);
}

void TestWheelBasePage::effectCombosReactToUserChoiceOnly() {
    Rig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    const QStringList items{"Device Effect Only", "Game Effect Only", "Device and Game Effects"};
    for (const char* name : {"comboBox_DampingEffect", "comboBox_FrictionEffect",
                             "comboBox_InertiaEffect", "comboBox_SpringEffect"}) {
        auto* combo = rig.widget<QComboBox>(name);
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts.append(combo->itemText(i));
        QCOMPARE(texts, items);
    }
    auto* damping = rig.widget<QComboBox>("comboBox_DampingEffect");
    damping->setCurrentIndex(2);
    QCOMPARE(int(rig.active().dampingEffect), 0);
    QVERIFY(!rig.device()->updateTimer.isActive());
    emit damping->activated(2);
    QCOMPARE(int(rig.active().dampingEffect), 2);
    QVERIFY(rig.device()->updateTimer.isActive());

    emit rig.widget<QComboBox>("comboBox_FrictionEffect")->activated(1);
    emit rig.widget<QComboBox>("comboBox_InertiaEffect")->activated(2);
    emit rig.widget<QComboBox>("comboBox_SpringEffect")->activated(1);
    emit rig.widget<QComboBox>("comboBox_EncoderType")->activated(0);
    QTRY_VERIFY_WITH_TIMEOUT(rig.liveUpdateEnded(), kLoadTimeoutMs);
    const TarnUsbWheelBaseProfileV5 sent = sentProfile(rig.wheel, 0);
    QCOMPARE(int(sent.dampingEffect), 2);
    QCOMPARE(int(sent.frictionEffect), 1);
    QCOMPARE(int(sent.inertiaEffect), 2);
    QCOMPARE(int(sent.springEffect), 1);
    QCOMPARE(int(sent.encoderType), 0);
}

void TestWheelBasePage::slewRateAndSmoothingReactToAnyChange() {
    Rig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    auto* slewRate = rig.widget<QComboBox>("comboBox_SlewRate");
    QCOMPARE(slewRate->itemText(0), QStringLiteral("Perfomance"));
    QCOMPARE(slewRate->itemText(2), QStringLiteral("Quiet"));
    auto* smoothing = rig.widget<QComboBox>("comboBox_GenSmooth");
    QCOMPARE(smoothing->count(), 11);
    QCOMPARE(smoothing->maxVisibleItems(), 11);
    QCOMPARE(smoothing->itemText(5), QStringLiteral("Responsive 1"));
    QCOMPARE(smoothing->itemText(10), QStringLiteral("Soft 3"));

    slewRate->setCurrentIndex(1);
    smoothing->setCurrentIndex(9);
    QCOMPARE(int(rig.active().slewRate), 1);
    QCOMPARE(int(rig.active().smoothing), 9);
    QTRY_VERIFY_WITH_TIMEOUT(rig.liveUpdateEnded(), kLoadTimeoutMs);
    QCOMPARE(int(sentProfile(rig.wheel, 0).slewRate), 1);
    QCOMPARE(int(sentProfile(rig.wheel, 0).smoothing), 9);
}

void TestWheelBasePage::rimFollowsTheAxis() {
    Rig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    QCOMPARE(int(rig.active().rotationDegrees), 900);
    const QPixmap rim = rimPicture(kRimSide);

    // Each report is sent again until one lands after the 16 ms refresh limit.
    QTRY_COMPARE((rig.injectAxis(32767), rig.text("label_JoystickValue")), QStringLiteral("32767"));
    QCOMPARE(shownRim(rig), rotatedRim(rim, 449).toImage());
    QTRY_COMPARE((rig.injectAxis(-32767), rig.text("label_JoystickValue")),
                 QStringLiteral("-32767"));
    QCOMPARE(shownRim(rig), rotatedRim(rim, -449).toImage());
    QTRY_COMPARE((rig.injectAxis(0), rig.text("label_JoystickValue")), QStringLiteral("0"));
    QCOMPARE(shownRim(rig), rotatedRim(rim, 0).toImage());

    // Axis 1 is still 0 degrees: the value label changes, the picture is not rebuilt.
    const qint64 upright = shownRimKey(rig);
    QTRY_COMPARE((rig.injectAxis(1), rig.text("label_JoystickValue")), QStringLiteral("1"));
    QCOMPARE(shownRimKey(rig), upright);
}

void TestWheelBasePage::showingAProfileRedrawsTheSameAxis() {
    Rig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    QTRY_COMPARE((rig.injectAxis(32767), rig.text("label_JoystickValue")), QStringLiteral("32767"));
    QCOMPARE(shownRim(rig), rotatedRim(rimPicture(kRimSide), 449).toImage());

    // "Drift" turns 540 degrees: the same axis value now shows 269 degrees.
    QVERIFY(QMetaObject::invokeMethod(rig.window.get(), "on_comboBox_ProfileName_activated",
                                      Q_ARG(int, 1)));
    const QImage drift = rotatedRim(rimPicture(kRimSide), 269).toImage();
    QTRY_COMPARE((rig.injectAxis(32767), shownRim(rig)), drift);
    QCOMPARE(rig.text("label_JoystickValue"), QStringLiteral("32767"));
}

void TestWheelBasePage::refreshAtMostEvery16ms() {
    Rig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    // Small values all turn the rim by 0 degrees: each refresh only sets the value label, so
    // the handler takes no time worth measuring.
    QList<qint64> deliveries;
    QElapsedTimer clock;
    clock.start();
    connect(rig.device(), &UsbDeviceTarnWheelBase::onJoystickUpdate, this,
            [&](UsbDevice*, TarnUsbWheelBaseJoystickUpdate*, uint64_t) {
                deliveries.append(clock.nsecsElapsed() / 1000000);
            });
    // Nothing was shown since the load: the first update refreshes.
    rig.injectAxis(10);
    QTRY_COMPARE(deliveries.size(), 1);
    QCOMPARE(rig.text("label_JoystickValue"), QStringLiteral("10"));

    // The next one, right behind it, does not (unless the machine held it back 16 ms).
    rig.injectAxis(20);
    QTRY_COMPARE(deliveries.size(), 2);
    const qint64 gapMs = deliveries[1] - deliveries[0];
    if (gapMs < 14)
        QCOMPARE(rig.text("label_JoystickValue"), QStringLiteral("10"));
    else if (gapMs > 18)
        QCOMPARE(rig.text("label_JoystickValue"), QStringLiteral("20"));

    // Sent again and again, a value shows once 16 ms have passed since the last refresh.
    QTRY_COMPARE((rig.injectAxis(30), rig.text("label_JoystickValue")), QStringLiteral("30"));
    QVERIFY(deliveries.last() - deliveries[0] >= 15);
}

void TestWheelBasePage::telemetryLabels() {
    Rig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    TarnUsbWheelBaseJoystickUpdate update{};
    update.axis = 1234;
    update.logKind = kWheelBaseLogTelemetry;
    TarnUsbWheelBaseDebugOutput& t = update.telemetry;
    t.ticks = 987654;
    t.motorState = 3;
    t.encoderState = -2;
    t.motorAngle = -45.678f;
    t.encoderRaw = 4194303;
    t.ffbIn = 12.5f;
    t.ffbOut = 12.125f;
    t.bisscRaw = 8;
    t.currentFaults = 0x101;
    t.clearedFaults = 6;
    t.maxMotorCurrent = 155;
    t.psuCurrent = -12;
    t.motorCurrent = 17;
    t.psuTemperature = 41;
    t.motorTemperature = 52;
    t.brakeTemperature = 63;
    t.powerstageTemperature = 74;
    QTRY_COMPARE((rig.injectJoystick(update), rig.text("label_debugTicks")),
                 QStringLiteral("987654"));

    QCOMPARE(rig.text("label_JoystickValue"), QStringLiteral("1234"));
    QCOMPARE(rig.text("label_debugMotorState"), QStringLiteral("Fault"));
    QCOMPARE(rig.text("label_debugEncoderState"), QStringLiteral("-2"));
    QCOMPARE(rig.text("label_debugBisscRaw"), QStringLiteral("10"));
    QCOMPARE(rig.text("label_debugCurrentFaults"),
             QStringLiteral("257 (Encoder error, Electrical stop)"));
    QCOMPARE(rig.text("label_debugClearedFaults"), QStringLiteral("6"));
    QCOMPARE(rig.text("label_debugMotorAngle"), QStringLiteral("-45.68"));
    QCOMPARE(rig.text("label_debugEncoderRaw"), QStringLiteral("4194303"));
    QCOMPARE(rig.text("label_debugFfbIn"), QStringLiteral("12.50"));
    QCOMPARE(rig.text("label_debugFfbOut"), QStringLiteral("12.13"));
    QCOMPARE(rig.text("label_debugMaxMotorCurrent"), QStringLiteral("15.5"));
    QCOMPARE(rig.text("label_debugPsuCurrent"), QStringLiteral("-1.2"));
    QCOMPARE(rig.text("label_debugMotorCurrent"), QStringLiteral("3.4"));
    QCOMPARE(rig.text("label_debugPsuTemperature"), QStringLiteral("41"));
    QCOMPARE(rig.text("label_debugMotorTemperature"), QStringLiteral("52"));
    QCOMPARE(rig.text("label_debugBrakeTemperature"), QStringLiteral("63"));
    QCOMPARE(rig.text("label_debugPowerstageTemperature"), QStringLiteral("74"));

    // A trace's payload is shown as telemetry too: its first bytes land in the ticks.
    TarnUsbWheelBaseJoystickUpdate trace{};
    trace.logKind = kWheelBaseLogCommutationTrace;
    trace.commutationTrace.ticks = 0x01020304; // payload bytes 0..3: reserved and ticks 0..2
    QTRY_COMPARE((rig.injectJoystick(trace), rig.text("label_debugTicks")),
                 QString::number(0x010203));
}

void TestWheelBasePage::commandTwoTelemetryIsShownAtOnce() {
    Rig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    QTRY_COMPARE((rig.injectAxis(10), rig.text("label_JoystickValue")), QStringLiteral("10"));
    // Right after a refresh, an unasked telemetry answer still shows.
    std::vector<uint8_t> report = responseReport(2, 7);
    TarnUsbWheelBaseDebugOutput output{};
    output.ticks = 42;
    output.motorState = 9;
    std::memcpy(report.data() + 3, &output, sizeof output);
    int answers = 0;
    connect(rig.device(), &UsbDeviceTarnWheelBase::onDebugOutput, this,
            [&answers](UsbDevice*, TarnUsbWheelBaseDebugOutput*, uint64_t) { ++answers; });
    rig.wheel.injectReport(report);
    QTRY_COMPARE(answers, 1);
    QCOMPARE(rig.text("label_debugTicks"), QStringLiteral("42"));
    QCOMPARE(rig.text("label_debugMotorState"), QStringLiteral("9"));
}

void TestWheelBasePage::reloadEmptiesTheTelemetry() {
    Rig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    QTRY_VERIFY((rig.injectAxis(5), !rig.text("label_debugMotorState").isEmpty()));
    auto* tabs = rig.widget<QTabWidget>("tabWidget");
    tabs->setCurrentIndex(tabs->count() - 1);

    QSignalSpy loaded(rig.device(), &UsbSettingsDevice::onSettingsLoaded);
    rig.widget<QPushButton>("pushButton_LoadConfig")->click();
    QVERIFY(loaded.wait(kLoadTimeoutMs));
    QCOMPARE(tabs->currentIndex(), 0);
    for (const char* label :
         {"label_debugTicks", "label_debugMotorState", "label_debugEncoderState",
          "label_debugBisscRaw", "label_debugCurrentFaults", "label_debugClearedFaults",
          "label_debugMotorAngle", "label_debugEncoderRaw", "label_debugFfbIn", "label_debugFfbOut",
          "label_debugMaxMotorCurrent", "label_debugPsuCurrent", "label_debugMotorCurrent",
          "label_debugPsuTemperature", "label_debugMotorTemperature", "label_debugBrakeTemperature",
          "label_debugPowerstageTemperature"})
        QVERIFY2(rig.text(label).isEmpty(), label);
}

void TestWheelBasePage::centerSendsTheProfileAndShowsTheNewOffset() {
    Rig rig([](WheelBaseModel& model) { model.activeProfile = 2; });
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    QCOMPARE(rig.text("label_CenterOffsetDeg"), QStringLiteral("0.00 deg"));
    rig.wheel.clearReceivedReports();
    const TarnUsbWheelBaseProfileV5 before = rig.device()->profiles[2];

    QSignalSpy loaded(rig.device(), &UsbSettingsDevice::onSettingsLoaded);
    rig.widget<QPushButton>("pushButton_CenterRim")->click();
    QVERIFY(loaded.wait(kLoadTimeoutMs));
    const std::vector<ReceivedReport> centre = withCommand(rig.wheel.receivedReports(), 7);
    QCOMPARE(centre.size(), size_t(1));
    QCOMPARE(int(centre[0].data[2]), 7);
    QCOMPARE(std::memcmp(centre[0].data.data() + 3, &before, sizeof before), 0);

    // 0.0125 of a turn.
    QCOMPARE(rig.text("label_CenterOffsetDeg"), QStringLiteral("4.50 deg"));
    QCOMPARE(rig.widget<QComboBox>("comboBox_ProfileName")->currentText(), QStringLiteral("Rally"));
    QVERIFY(rig.isLoaded());
}

void TestWheelBasePage::motorRealign() {
    Rig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    rig.wheel.clearReceivedReports();
    rig.widget<QPushButton>("pushButtonMotorRealign")->click();
    QTRY_VERIFY(!rig.wheel.receivedReports().empty());
    const ReceivedReport realign = rig.wheel.receivedReports()[0];
    QCOMPARE(int(realign.data[1]), 9);
    QCOMPARE(int(realign.data[2]), 7);
    QCOMPARE(int(realign.data[3]), 3);
    QTRY_COMPARE(rig.wheel.withModel<WheelBaseModel>(
                     [](WheelBaseModel& model) { return int(model.lastTestCommand.command); }),
                 3);
}

void TestWheelBasePage::outputModuloEnablesItsSpinBox() {
    Rig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    auto* modulo = rig.widget<QSpinBox>("spinBox_outputModulo");
    QCOMPARE(modulo->minimum(), 1);
    QCOMPARE(modulo->maximum(), 1000000000);
    QVERIFY(!modulo->isEnabled());
    rig.widget<QCheckBox>("checkBox_outputModulo")->setChecked(true);
    QVERIFY(modulo->isEnabled());
    rig.widget<QCheckBox>("checkBox_outputModulo")->setChecked(false);
    QVERIFY(!modulo->isEnabled());
    QCOMPARE(rig.widget<QPushButton>("pushButton_LoggingWheelBase")->text(),
             QStringLiteral("Start Logging"));
}

QTEST_MAIN(TestWheelBasePage)
#include "tst_wheelbasepage.moc"
