#pragma once
// The four-sample wizard of a hall-sensor paddle pair (the clutch paddles, the paddle shifters):
// the left paddle pressed and released, the right one pressed and released, then the save. A
// released reading above the pressed one is refused. The two pairs differ only in the name
// their instructions use.

#include "buttonplate/buttonplaterecords.h"
#include "pedals/calibration.h"

#include <QCoreApplication>
#include <QString>

enum HallSensorCalibrationStep {
    kPressLeftPaddle = 0,
    kReleaseLeftPaddle = 1,
    kPressRightPaddle = 2,
    kReleaseRightPaddle = 3,
    kSavePaddles = 4,
};

template <class Record, class Step> class HallSensorCalibration : public Calibration<Record, Step> {
public:
    explicit HallSensorCalibration(const char* name)
        : name(name) {}

    Step next() override {
        if (this->step + 1 <= kSavePaddles)
            this->step = Step(this->step + 1);
        return this->step;
    }

    Step prev() override {
        if (this->step - 1 >= 0)
            this->step = Step(this->step - 1);
        return this->step;
    }

    QString stepText() const override {
        const QString paddle = QCoreApplication::translate("HallSensorCalibration", name);
        switch (this->step) {
        case kPressLeftPaddle:
            return tr("Press the Left ") + paddle + tr(" with desired maximum force.");
        case kReleaseLeftPaddle:
            return tr("Release the Left ") + paddle + tr(" to the neutral position.");
        case kPressRightPaddle:
            return tr("Press the Right ") + paddle + tr(" with desired maximum force.");
        case kReleaseRightPaddle:
            return tr("Release the Right ") + paddle + tr(" to the neutral position.");
        case kSavePaddles:
            return tr("Press save to store the new calibration settings.");
        default:
            return tr("Wrong value!");
        }
    }

    // Readings are raw 16-bit hall values; a released paddle never reads above its press.
    bool setValue(int value) override {
        Record& record = this->record;
        switch (this->step) {
        case kPressLeftPaddle:
            record.leftMax = uint16_t(value);
            return true;
        case kReleaseLeftPaddle:
            if (value > record.leftMax)
                return false;
            record.leftMin = uint16_t(value);
            return true;
        case kPressRightPaddle:
            record.rightMax = uint16_t(value);
            return true;
        case kReleaseRightPaddle:
            if (value > record.rightMax)
                return false;
            record.rightMin = uint16_t(value);
            return true;
        default:
            return true;
        }
    }

    // The paddle pair's name in the instructions.
    const char* const name;

protected:
    // Owned by value inside the plate object and never deleted through this type.
    ~HallSensorCalibration() = default;

private:
    static QString tr(const char* text) {
        return QCoreApplication::translate("HallSensorCalibration", text);
    }
};

using PaddlesCalibration =
    HallSensorCalibration<TarnUsbBlePaddlesCalibration, HallSensorCalibrationStep>;

class ClutchPaddleCalibration final : public PaddlesCalibration {
public:
    ClutchPaddleCalibration()
        : PaddlesCalibration(QT_TRANSLATE_NOOP("HallSensorCalibration", "Clutch paddle")) {}
};

class PaddleShifterCalibration final : public PaddlesCalibration {
public:
    PaddleShifterCalibration()
        : PaddlesCalibration(QT_TRANSLATE_NOOP("HallSensorCalibration", "Paddle shifter")) {}
};
