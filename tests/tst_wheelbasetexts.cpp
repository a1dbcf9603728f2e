// The texts and the arithmetic of the wheel-base page, without a window.

#include "wheelbase/wheelbasetexts.h"

#include <QtTest>

#include <cstring>

class TestWheelBaseTexts : public QObject {
    Q_OBJECT

private slots:
    void rimAngle_data();
    void rimAngle();
    void rimAngleWrapsLikeThirtyTwoBits();
    void refreshDue_data();
    void refreshDue();
    void clockKeepsLowThirtyTwoBits();
    void valueLabels();
    void centerOffset_data();
    void centerOffset();
    void motorState_data();
    void motorState();
    void faults_data();
    void faults();
    void telemetry();
    void telemetryNegativeCurrents();
};

void TestWheelBaseTexts::rimAngle_data() {
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<int>("angle");
    QTest::newRow("full right") << 32767 << 900 << 449;
    QTest::newRow("full left") << -32767 << 900 << -449;
    QTest::newRow("most negative") << -32768 << 900 << -450;
    QTest::newRow("one") << 1 << 900 << 0;
    QTest::newRow("minus one") << -1 << 900 << 0;
    QTest::newRow("three truncates twice") << 3 << 32767 << 1;
    QTest::newRow("quarter") << 16384 << 900 << 225;
    QTest::newRow("negative truncates toward zero") << -16384 << 900 << -225;
    QTest::newRow("odd axis") << -7283 << 1080 << -120;
    QTest::newRow("widest range") << 32767 << 9999 << 4999;
    QTest::newRow("narrowest range") << 32767 << 180 << 89;
}

void TestWheelBaseTexts::rimAngle() {
    QFETCH(int, axis);
    QFETCH(int, rotation);
    QFETCH(int, angle);
    QCOMPARE(rimAngleDegrees(int16_t(axis), rotation), angle);
}

void TestWheelBaseTexts::rimAngleWrapsLikeThirtyTwoBits() {
    // 16383 * 200000 overflows 32 bits; the result is that of the wrapped product, not UB.
    const int32_t wrapped = int32_t(uint32_t(16383) * uint32_t(200000));
    QCOMPARE(rimAngleDegrees(32767, 200000), wrapped / 32767);
}

void TestWheelBaseTexts::refreshDue_data() {
    QTest::addColumn<uint>("now");
    QTest::addColumn<uint>("last");
    QTest::addColumn<bool>("due");
    QTest::newRow("same time") << 1000u << 1000u << false;
    QTest::newRow("10 ms") << 1010u << 1000u << false;
    QTest::newRow("15 ms") << 1015u << 1000u << false;
    QTest::newRow("16 ms") << 1016u << 1000u << true;
    QTest::newRow("a second") << 2000u << 1000u << true;
    QTest::newRow("across the wrap, 10 ms") << 4u << 0xFFFFFFFAu << false;
    QTest::newRow("across the wrap, 20 ms") << 14u << 0xFFFFFFFAu << true;
    QTest::newRow("clock went back") << 990u << 1000u << true;
}

void TestWheelBaseTexts::refreshDue() {
    QFETCH(uint, now);
    QFETCH(uint, last);
    QFETCH(bool, due);
    QCOMPARE(wheelBaseRefreshDue(now, last), due);
}

void TestWheelBaseTexts::clockKeepsLowThirtyTwoBits() {
    const uint64_t micros = 1765000000123456ull; // a day in December 2025
    QCOMPARE(wheelBaseClockMs(micros), uint32_t(1765000000123ull & 0xFFFFFFFFull));
    QCOMPARE(wheelBaseClockMs(999), 0u);
}

void TestWheelBaseTexts::valueLabels() {
    QCOMPARE(percentText(0), QStringLiteral("0%"));
    QCOMPARE(percentText(80), QStringLiteral("80%"));
    QCOMPARE(numberText(5), QStringLiteral("5"));
}

void TestWheelBaseTexts::centerOffset_data() {
    QTest::addColumn<float>("offset");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0f << QStringLiteral("0.00 deg");
    QTest::newRow("quarter turn") << 0.25f << QStringLiteral("90.00 deg");
    QTest::newRow("negative") << -0.1f << QStringLiteral("-36.00 deg");
    QTest::newRow("rounded") << 0.0123f << QStringLiteral("4.43 deg");
}

void TestWheelBaseTexts::centerOffset() {
    QFETCH(float, offset);
    QFETCH(QString, text);
    QCOMPARE(centerOffsetText(offset), text);
}

void TestWheelBaseTexts::motorState_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << QStringLiteral("Uninitialized");
    QTest::newRow("1") << 1 << QStringLiteral("Stopped");
    QTest::newRow("2") << 2 << QStringLiteral("Alignment");
    QTest::newRow("3") << 3 << QStringLiteral("Fault");
    QTest::newRow("4") << 4 << QStringLiteral("Running");
    QTest::newRow("5") << 5 << QStringLiteral("Locked Test");
    QTest::newRow("6") << 6 << QStringLiteral("6");
    QTest::newRow("65535") << 65535 << QStringLiteral("65535");
}

void TestWheelBaseTexts::motorState() {
    QFETCH(int, state);
    QFETCH(QString, text);
    QCOMPARE(motorStateText(uint16_t(state)), text);
}

void TestWheelBaseTexts::faults_data() {
    QTest::addColumn<uint>("mask");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << 0u << QStringLiteral("0");
    QTest::newRow("5") << 5u << QStringLiteral("5 (Encoder error, Reference error)");
    QTest::newRow("0x101") << 0x101u << QStringLiteral("257 (Encoder error, Electrical stop)");
    QTest::newRow("unnamed only") << 0x200u << QStringLiteral("512");
    QTest::newRow("all bits")
        << 0xFFFFFFFFu
        << QStringLiteral("4294967295 (Encoder error, Alignment error, Reference error, Brake "
                          "overtemp, Mechanical limits error, Overcurrent, Overvoltage, "
                          "Undervoltage, Electrical stop)");
}

void TestWheelBaseTexts::faults() {
    QFETCH(uint, mask);
    QFETCH(QString, text);
    QCOMPARE(faultsText(mask), text);
}

void TestWheelBaseTexts::telemetry() {
    TarnUsbWheelBaseDebugOutput output;
    std::memset(&output, 0, sizeof output);
    output.ticks = 123456;
    output.motorState = 4;
    output.encoderState = -3;
    output.motorAngle = 12.345f;
    output.encoderRaw = -1000;
    output.ffbIn = 0.5f;
    output.ffbOut = -7.126f;
    output.bisscRaw = 0x1FF;
    output.currentFaults = 2;
    output.clearedFaults = 7;
    output.maxMotorCurrent = 155;
    output.psuCurrent = 42;
    output.motorCurrent = 33;
    output.psuTemperature = 40;
    output.motorTemperature = 55;
    output.brakeTemperature = 60;
    output.powerstageTemperature = 71;

    const WheelBaseTelemetryTexts texts = telemetryTexts(output);
    QCOMPARE(texts.ticks, QStringLiteral("123456"));
    QCOMPARE(texts.motorState, QStringLiteral("Running"));
    QCOMPARE(texts.encoderState, QStringLiteral("-3"));
    QCOMPARE(texts.bisscRaw, QStringLiteral("777"));
    QCOMPARE(texts.currentFaults, QStringLiteral("2 (Alignment error)"));
    QCOMPARE(texts.clearedFaults, QStringLiteral("7"));
    QCOMPARE(texts.motorAngle, QStringLiteral("12.35"));
    QCOMPARE(texts.encoderRaw, QStringLiteral("-1000"));
    QCOMPARE(texts.ffbIn, QStringLiteral("0.50"));
    QCOMPARE(texts.ffbOut, QStringLiteral("-7.13"));
    QCOMPARE(texts.maxMotorCurrent, QStringLiteral("15.5"));
    QCOMPARE(texts.psuCurrent, QStringLiteral("4.2"));
    QCOMPARE(texts.motorCurrent, QStringLiteral("6.6"));
    QCOMPARE(texts.psuTemperature, QStringLiteral("40"));
    QCOMPARE(texts.motorTemperature, QStringLiteral("55"));
    QCOMPARE(texts.brakeTemperature, QStringLiteral("60"));
    QCOMPARE(texts.powerstageTemperature, QStringLiteral("71"));
}

void TestWheelBaseTexts::telemetryNegativeCurrents() {
    TarnUsbWheelBaseDebugOutput output;
    std::memset(&output, 0, sizeof output);
    output.psuCurrent = -5;
    output.motorCurrent = -128;
    output.bisscRaw = ~uint64_t(0);
    const WheelBaseTelemetryTexts texts = telemetryTexts(output);
    QCOMPARE(texts.psuCurrent, QStringLiteral("-0.5"));
    QCOMPARE(texts.motorCurrent, QStringLiteral("-25.6"));
    QCOMPARE(texts.bisscRaw, QStringLiteral("1777777777777777777777"));
    QCOMPARE(texts.motorState, QStringLiteral("Uninitialized"));
    QCOMPARE(texts.currentFaults, QStringLiteral("0"));
}

QTEST_APPLESS_MAIN(TestWheelBaseTexts)
#include "tst_wheelbasetexts.moc"
