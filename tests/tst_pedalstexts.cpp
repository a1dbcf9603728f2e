// The pedals page's rules on their own: telemetry texts, curve points and force scale, and the
// calibration wizard's steps, its press, release and channel rules and the live view that finds
// the pressed input. The texts the page shows of a live report and of a curve point are checked
// there (tst_pedalspage).

#include "pedals/pedalscalibration.h"
#include "pedals/pedalstexts.h"

#include <QtTest>

#include <array>
#include <cstring>

namespace {

// The connected flags of inputs X, Y and Z.
using Flags = std::array<uint8_t, 3>;
constexpr uint32_t kCentre = 8388608;
using Outcome = PedalsCalibration::Outcome;

// A live update with raw readings X, Y, Z (moved from the centre) and their connected flags; the
// outputs are 100, 200 and 300 so that the shown value names the input it came from.
TarnUsbPedalsJoystickUpdate update(int64_t x, int64_t y, int64_t z, Flags connected = {1, 1, 1}) {
    return {100,
            200,
            300,
            {0, uint32_t(kCentre + x), uint32_t(kCentre + y), uint32_t(kCentre + z), connected[0],
             connected[1], connected[2]}};
}

// A wizard that has begun and taken its baselines, all at the centre.
PedalsCalibration begun(Flags connected = {1, 1, 1}) {
    PedalsCalibration wizard;
    wizard.begin();
    uint32_t reading = 0;
    wizard.watch(update(0, 0, 0, connected), reading);
    return wizard;
}

// The live view sees the readings, then Next is pressed.
Outcome next(PedalsCalibration& wizard, int64_t x, int64_t y, int64_t z) {
    uint32_t reading = 0;
    wizard.watch(update(x, y, z), reading);
    return wizard.sample(reading);
}

} // namespace

class TestPedalsTexts : public QObject {
    Q_OBJECT

private slots:
    // A reading below the centre is negative; any non-zero flag reads as connected.
    void texts() {
        QCOMPARE(pedalRawText("X raw: ", 0), QString("X raw: -8388608 (-390.6%)"));
        QCOMPARE(pedalConnectedText("Y connected: ", 2), QString("Y connected: True"));
        PedalsCalibration wizard;
        QCOMPARE(wizard.stepText(), QString("Release all pedals and press Next Step."));
        wizard.step = kPedalsReleaseBrake;
        QCOMPARE(wizard.stepText(),
                 QString("Release the Brake pedal to the neutral position and press Next Step."));
        wizard.step = PedalsCalibrationStep(8);
        QCOMPARE(wizard.stepText(), QString("Wrong value!"));
    }

    // A moved point is held between its neighbours; the reset moves bring any curve back to the
    // straight one. A point moved above the next and the reset of an all-zero curve are checked on
    // the page (tst_pedalspage).
    void curvePoints() {
        using Curve = std::array<uint8_t, 6>;
        const Curve straight{0, 20, 40, 60, 80, 100};
        const struct {
            const char* name;
            Curve curve;
            int point, value, allowed;
        } rows[] = {{"within", straight, 2, 50, 50},
                    {"below the last", straight, 2, 10, 20},
                    {"first point up to the second", straight, 0, 30, 20},
                    {"last point down to the fifth", straight, 5, 70, 80},
                    {"neighbours out of order", {0, 70, 40, 60, 80, 100}, 2, 55, 70},
                    {"neighbour above 100", {200, 20, 40, 60, 80, 100}, 1, 10, 100},
                    {"above the default", {50, 90, 95, 99, 100, 100}, 1, 10, 50}};
        for (const auto& row : rows) {
            uint8_t raw[6];
            std::copy(row.curve.begin(), row.curve.end(), raw);
            QVERIFY2(clampCurvePoint(raw, row.point, row.value) == row.allowed, row.name);
            for (const auto& move : curveResetMoves())
                raw[move.first] = uint8_t(clampCurvePoint(raw, move.first, move.second));
            QVERIFY2(std::equal(raw, raw + 6, straight.begin()), row.name);
        }
    }

    // Shown with one decimal, a stored value reads back as the same raw value. A maximum and a
    // minimum keep 10 raw units apart.
    void forceAdjustments() {
        for (const auto& [percent, raw] : {std::pair{0.0, 0}, {0.1, 65}, {50.0, 32767}}) {
            const QByteArray row = QByteArray::number(percent);
            QVERIFY2(forceRawFromPercent(percent) == raw, row);
            const double shown =
                QString::number(forcePercentShown(uint16_t(raw)), 'f', 1).toDouble();
            QVERIFY2(shown == percent && forceRawFromPercent(shown) == raw, row);
        }
        QVERIFY(!forceRangeAllowed(109, 100));
        QVERIFY(forceRangeAllowed(110, 100));
        QCOMPARE(forcePercentRestored(65535), 100.0);
    }

    // A flag counts as connected when it is non-zero, whatever its value.
    void stepsFollowTheConnectedInputs() {
        const struct {
            const char* name;
            Flags connected;
            std::vector<int> forward, back;
        } rows[] = {{"three", {1, 1, 1}, {1, 2, 3, 4, 5, 6, 7}, {6, 5, 4, 3, 2, 1, 0, 0}},
                    {"two, flags of 2 and 9", {2, 0, 9}, {1, 2, 3, 4, 7}, {4, 3, 2, 1, 0, 0}},
                    {"none", {0, 0, 0}, {7}, {0, 0}}};
        for (const auto& row : rows) {
            PedalsCalibration wizard = begun(row.connected);
            std::vector<int> walked;
            while (wizard.step != kPedalsSaveCalibration)
                walked.push_back(wizard.next());
            QVERIFY2(walked == row.forward, row.name);
            walked.clear();
            while (wizard.step != kPedalsReleaseAll)
                walked.push_back(wizard.prev());
            // Back at the first step stays there.
            walked.push_back(wizard.prev());
            QVERIFY2(walked == row.back, row.name);
        }
    }

    // A released reading must lie at least 5000 from the pressed one, in either direction.
    void releaseNeedsTravel() {
        PedalsCalibration wizard;
        wizard.step = kPedalsReleaseThrottle;
        wizard.record.throttleMax = kCentre + 600000;
        wizard.record.throttleMin = 7;
        QVERIFY(!wizard.setValue(int(kCentre) + 604999));
        QCOMPARE(wizard.record.throttleMin, 7u);
        QVERIFY(wizard.setValue(int(kCentre) + 595000));
        QCOMPARE(wizard.record.throttleMin, kCentre + 595000);
    }

    // "None" may be shared; the save and release-all steps tie nothing.
    void channelsStayDistinct() {
        PedalsCalibration wizard = begun();
        wizard.step = kPedalsPressThrottle;
        QVERIFY(wizard.assignChannel(kPedalsChannelZ));
        wizard.step = kPedalsReleaseBrake;
        QVERIFY(!wizard.assignChannel(kPedalsChannelZ));
        QVERIFY(wizard.assignChannel(kPedalsNoChannel));
        wizard.step = kPedalsPressClutch;
        QVERIFY(wizard.assignChannel(kPedalsNoChannel));
        wizard.step = kPedalsSaveCalibration;
        QVERIFY(wizard.assignChannel(kPedalsChannelZ));
        QCOMPARE(wizard.record.throttleChannel, kPedalsChannelZ);
        QCOMPARE(wizard.record.brakeChannel, kPedalsNoChannel);
    }

    // An input counts as pressed when it moved more than 3000 from its baseline and has a
    // sensor; the first in the order X, Y, Z wins, and the shown output is that input's.
    void pressedInputIsDetected() {
        const int none = kPedalsNoChannel;
        const struct {
            const char* name;
            int x, y, z;
            uint8_t yConnected;
            int channel, shown;
        } rows[] = {{"3000 is not pressed", 0, 3000, 0, 1, none, 0},
                    {"3001 downwards is", 0, 0, -3001, 1, 2, 300},
                    {"X before Z", 5000, 0, 9000, 1, 0, 100},
                    {"no sensor on Y", 0, 50000, 0, 0, none, 0}};
        for (const auto& row : rows) {
            PedalsCalibration wizard = begun();
            wizard.next();
            uint32_t reading = 42;
            const uint16_t shown =
                wizard.watch(update(row.x, row.y, row.z, {1, row.yConnected, 1}), reading);
            QVERIFY2(shown == row.shown && wizard.detectedChannel == row.channel, row.name);
            const int moves[] = {row.x, row.y, row.z};
            QVERIFY2(reading == (row.channel == none ? 42u : kCentre + moves[row.channel]),
                     row.name);
        }
    }

    // Next through a run: the release follows the input found at the press, whatever moves
    // elsewhere; a press on an input another pedal has keeps its reading but not the channel and
    // the step stays; a press that moved nothing is taken with no channel, and then its release
    // is refused.
    void nextOutcomes() {
        PedalsCalibration wizard = begun();
        const Outcome outcomes[] = {next(wizard, 0, 0, 0), next(wizard, 0, 90000, 0),
                                    next(wizard, 70000, 10, 0), next(wizard, 0, 80001, 0)};
        const Outcome expected[] = {Outcome::Advanced, Outcome::Advanced, Outcome::Advanced,
                                    Outcome::WrongChannel};
        QVERIFY(std::equal(outcomes, outcomes + 4, expected));
        QCOMPARE(wizard.step, kPedalsPressBrake);
        const TarnUsbPedalsCalibrationV2 record{
            0, kCentre + 80001, kCentre + 90000, 0, 0, kCentre + 10, 0xFF, 0xFF, kPedalsChannelY};
        QCOMPARE(std::memcmp(&wizard.record, &record, sizeof record), 0);
        QCOMPARE(next(wizard, 0, 0, 0), Outcome::Advanced);
        QCOMPARE(next(wizard, 0, 0, 100000), Outcome::WrongValue);
        QCOMPARE(wizard.step, kPedalsReleaseBrake);

        wizard.step = kPedalsSaveCalibration;
        QCOMPARE(wizard.sample(0), Outcome::Save);
        QCOMPARE(wizard.step, kPedalsSaveCalibration);

        // A new run starts over at the first step with every pedal untied; the readings of the
        // run before stay until their steps are done again.
        wizard.record = {1, 2, 3, 4, 5, 6, 0, 1, 2};
        wizard.begin();
        QCOMPARE(wizard.step, kPedalsReleaseAll);
        const TarnUsbPedalsCalibrationV2 untied{1, 2, 3, 4, 5, 6, 0xFF, 0xFF, 0xFF};
        QCOMPARE(std::memcmp(&wizard.record, &untied, sizeof untied), 0);
    }
};

QTEST_GUILESS_MAIN(TestPedalsTexts)
#include "tst_pedalstexts.moc"
