// The pedals' calibration wizard without a window: its step table for every number of
// connected inputs, the press and release rules, the channel rule, and the live view that finds
// the pressed input.

#include "pedals/pedalscalibration.h"

#include <QtTest>

// The connected flags of inputs X, Y and Z.
using Flags = std::array<uint8_t, 3>;
Q_DECLARE_METATYPE(Flags)
Q_DECLARE_METATYPE(std::vector<int>)

namespace {

constexpr uint32_t kCentre = 8388608;

// A live update with raw readings X, Y, Z and their connected flags; the outputs are 100, 200
// and 300 so that the shown value names the input it came from.
TarnUsbPedalsJoystickUpdate update(uint32_t x, uint32_t y, uint32_t z,
                                   Flags connected = {1, 1, 1}) {
    TarnUsbPedalsJoystickUpdate live{};
    live.clutch = 100;
    live.brake = 200;
    live.throttle = 300;
    live.debugOutput.xRaw = x;
    live.debugOutput.yRaw = y;
    live.debugOutput.zRaw = z;
    live.debugOutput.xConnected = connected[0];
    live.debugOutput.yConnected = connected[1];
    live.debugOutput.zConnected = connected[2];
    return live;
}

// A wizard that has begun and taken its baselines, all at the centre.
PedalsCalibration begun(Flags connected = {1, 1, 1}) {
    PedalsCalibration wizard;
    wizard.begin();
    uint32_t reading = 0;
    wizard.watch(update(kCentre, kCentre, kCentre, connected), reading);
    return wizard;
}

} // namespace

class TestPedalsCalibration : public QObject {
    Q_OBJECT

private slots:
    void stepsFollowTheConnectedInputs_data() {
        QTest::addColumn<Flags>("connected");
        QTest::addColumn<std::vector<int>>("forward");
        QTest::addColumn<std::vector<int>>("back");
        QTest::newRow("three") << Flags{1, 1, 1} << std::vector<int>{1, 2, 3, 4, 5, 6, 7}
                               << std::vector<int>{6, 5, 4, 3, 2, 1, 0};
        QTest::newRow("two") << Flags{1, 0, 1} << std::vector<int>{1, 2, 3, 4, 7}
                             << std::vector<int>{4, 3, 2, 1, 0};
        QTest::newRow("one") << Flags{0, 0, 9} << std::vector<int>{1, 2, 7}
                             << std::vector<int>{2, 1, 0};
        QTest::newRow("none") << Flags{0, 0, 0} << std::vector<int>{7} << std::vector<int>{0};
        // A flag counts as connected when it is non-zero, whatever its value.
        QTest::newRow("flags of 2")
            << Flags{2, 2, 0} << std::vector<int>{1, 2, 3, 4, 7} << std::vector<int>{4, 3, 2, 1, 0};
    }
    void stepsFollowTheConnectedInputs() {
        QFETCH(Flags, connected);
        QFETCH(std::vector<int>, forward);
        QFETCH(std::vector<int>, back);
        PedalsCalibration wizard = begun(connected);
        std::vector<int> walked;
        while (wizard.step != kPedalsSaveCalibration)
            walked.push_back(wizard.next());
        QCOMPARE(walked, forward);
        QCOMPARE(wizard.stepText(), QString("Press save to store the new calibration settings."));
        walked.clear();
        while (wizard.step != kPedalsReleaseAll)
            walked.push_back(wizard.prev());
        QCOMPARE(walked, back);
    }

    void stepTexts() {
        PedalsCalibration wizard;
        QCOMPARE(wizard.stepText(), QString("Release all pedals and press Next Step."));
        wizard.step = kPedalsReleaseBrake;
        QCOMPARE(wizard.stepText(),
                 QString("Release the Brake pedal to the neutral position and press Next Step."));
        wizard.step = PedalsCalibrationStep(8);
        QCOMPARE(wizard.stepText(), QString("Wrong value!"));
    }

    // A released reading must lie at least 5000 from the pressed one, in either direction.
    void releaseNeedsTravel_data() {
        QTest::addColumn<int>("released");
        QTest::addColumn<bool>("accepted");
        const int pressed = int(kCentre) + 600000;
        QTest::newRow("4999 below") << pressed - 4999 << false;
        QTest::newRow("5000 below") << pressed - 5000 << true;
        QTest::newRow("4999 above") << pressed + 4999 << false;
        QTest::newRow("5000 above") << pressed + 5000 << true;
        QTest::newRow("same") << pressed << false;
    }
    void releaseNeedsTravel() {
        QFETCH(int, released);
        QFETCH(bool, accepted);
        PedalsCalibration wizard = begun();
        wizard.step = kPedalsPressThrottle;
        QVERIFY(wizard.setValue(int(kCentre) + 600000));
        wizard.step = kPedalsReleaseThrottle;
        wizard.record.throttleMin = 7;
        QCOMPARE(wizard.setValue(released), accepted);
        QCOMPARE(wizard.record.throttleMin, accepted ? uint32_t(released) : 7u);
        QCOMPARE(wizard.record.throttleMax, kCentre + 600000);
    }

    void channelsStayDistinct() {
        PedalsCalibration wizard = begun();
        wizard.step = kPedalsPressThrottle;
        QVERIFY(wizard.assignChannel(kPedalsChannelZ));
        wizard.step = kPedalsReleaseBrake;
        QVERIFY(!wizard.assignChannel(kPedalsChannelZ));
        QCOMPARE(wizard.record.brakeChannel, kPedalsNoChannel);
        QVERIFY(wizard.assignChannel(kPedalsChannelX));
        // "None" may be shared; the save and release-all steps tie nothing.
        wizard.step = kPedalsPressClutch;
        QVERIFY(wizard.assignChannel(kPedalsNoChannel));
        wizard.step = kPedalsSaveCalibration;
        QVERIFY(wizard.assignChannel(kPedalsChannelZ));
        QCOMPARE(wizard.record.throttleChannel, kPedalsChannelZ);
        QCOMPARE(wizard.record.brakeChannel, kPedalsChannelX);
        QCOMPARE(wizard.record.clutchChannel, kPedalsNoChannel);
    }

    // An input counts as pressed when it moved more than 3000 from its baseline and has a
    // sensor; the first in the order X, Y, Z wins, and the shown output is that input's.
    void pressedInputIsDetected_data() {
        QTest::addColumn<qint64>("xMove");
        QTest::addColumn<qint64>("yMove");
        QTest::addColumn<qint64>("zMove");
        QTest::addColumn<bool>("yConnected");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("shown");
        QTest::newRow("3000 is not pressed")
            << qint64(0) << qint64(3000) << qint64(0) << true << int(kPedalsNoChannel) << 0;
        QTest::newRow("3001 is") << qint64(0) << qint64(3001) << qint64(0) << true << 1 << 200;
        QTest::newRow("downwards too")
            << qint64(0) << qint64(0) << qint64(-3001) << true << 2 << 300;
        QTest::newRow("X before Z")
            << qint64(5000) << qint64(0) << qint64(9000) << true << 0 << 100;
        QTest::newRow("no sensor on Y")
            << qint64(0) << qint64(50000) << qint64(0) << false << int(kPedalsNoChannel) << 0;
    }
    void pressedInputIsDetected() {
        QFETCH(qint64, xMove);
        QFETCH(qint64, yMove);
        QFETCH(qint64, zMove);
        QFETCH(bool, yConnected);
        QFETCH(int, channel);
        QFETCH(int, shown);
        PedalsCalibration wizard = begun();
        wizard.next();
        uint32_t reading = 42;
        const uint16_t output =
            wizard.watch(update(uint32_t(kCentre + xMove), uint32_t(kCentre + yMove),
                                uint32_t(kCentre + zMove), {1, uint8_t(yConnected), 1}),
                         reading);
        QCOMPARE(int(wizard.detectedChannel), channel);
        QCOMPARE(int(output), shown);
        const qint64 moves[] = {xMove, yMove, zMove};
        QCOMPARE(reading, channel == kPedalsNoChannel ? 42u : uint32_t(kCentre + moves[channel]));
    }

    // The release step follows the input found at the press step, whatever moves elsewhere.
    void releaseFollowsTheDetectedInput() {
        PedalsCalibration wizard = begun();
        wizard.next();
        uint32_t reading = 0;
        wizard.watch(update(kCentre, kCentre + 90000, kCentre), reading);
        QCOMPARE(wizard.sample(reading), PedalsCalibration::Outcome::Advanced);
        QCOMPARE(wizard.watch(update(kCentre + 70000, kCentre + 10, kCentre), reading),
                 uint16_t(200));
        QCOMPARE(reading, kCentre + 10);
        QCOMPARE(wizard.sample(reading), PedalsCalibration::Outcome::Advanced);
        QCOMPARE(wizard.record.throttleMax, kCentre + 90000);
        QCOMPARE(wizard.record.throttleMin, kCentre + 10);
        QCOMPARE(wizard.record.throttleChannel, kPedalsChannelY);
    }

    // Next: a press on an input another pedal has keeps its reading but not the channel, and
    // the step stays; a press that moved nothing is taken with no channel, and then its release
    // is refused.
    void nextOutcomes() {
        PedalsCalibration wizard = begun();
        wizard.next();
        uint32_t reading = 0;
        wizard.watch(update(kCentre, kCentre, kCentre + 80000), reading);
        QCOMPARE(wizard.sample(reading), PedalsCalibration::Outcome::Advanced);
        wizard.watch(update(kCentre, kCentre, kCentre), reading);
        QCOMPARE(wizard.sample(reading), PedalsCalibration::Outcome::Advanced);

        wizard.watch(update(kCentre, kCentre, kCentre + 80001), reading);
        QCOMPARE(wizard.sample(reading), PedalsCalibration::Outcome::WrongChannel);
        QCOMPARE(wizard.step, kPedalsPressBrake);
        QCOMPARE(wizard.record.brakeMax, kCentre + 80001);
        QCOMPARE(wizard.record.brakeChannel, kPedalsNoChannel);

        wizard.watch(update(kCentre, kCentre, kCentre), reading);
        QCOMPARE(wizard.sample(reading), PedalsCalibration::Outcome::Advanced);
        QCOMPARE(wizard.record.brakeChannel, kPedalsNoChannel);
        QCOMPARE(wizard.watch(update(kCentre, kCentre, kCentre + 100000), reading), uint16_t(0));
        QCOMPARE(wizard.sample(reading), PedalsCalibration::Outcome::WrongValue);
        QCOMPARE(wizard.step, kPedalsReleaseBrake);

        wizard.step = kPedalsSaveCalibration;
        QCOMPARE(wizard.sample(reading), PedalsCalibration::Outcome::Save);
        QCOMPARE(wizard.step, kPedalsSaveCalibration);
    }

    // A new run starts over at the first step with every pedal untied; the readings of the run
    // before stay until their steps are done again.
    void beginKeepsTheReadings() {
        PedalsCalibration wizard;
        wizard.record = {1, 2, 3, 4, 5, 6, 0, 1, 2};
        wizard.step = kPedalsPressClutch;
        wizard.begin();
        QVERIFY(wizard.running);
        QCOMPARE(wizard.step, kPedalsReleaseAll);
        QCOMPARE(wizard.record.clutchMax, 1u);
        QCOMPARE(wizard.record.throttleMin, 6u);
        QCOMPARE(wizard.record.clutchChannel, kPedalsNoChannel);
        QCOMPARE(wizard.record.brakeChannel, kPedalsNoChannel);
        QCOMPARE(wizard.record.throttleChannel, kPedalsNoChannel);
    }
};

QTEST_GUILESS_MAIN(TestPedalsCalibration)
#include "tst_pedalscalibration.moc"
