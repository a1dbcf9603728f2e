#pragma once
// The calibration wizards' common shape: a running flag, the current step and the record the
// steps fill. A concrete wizard gives its step table through the four operations; the page that
// runs it samples the live input and hands each reading to setValue.

#include <QString>

// Record: the calibration record the wizard fills and the device stores. Step: the enumeration
// of the wizard's steps.
template <class Record, class Step> class Calibration {
public:
    // Advances `step` by the wizard's step table and returns the new step.
    virtual Step next() = 0;
    // Goes back and returns the new step.
    virtual Step prev() = 0;
    // The instruction for the current step.
    virtual QString stepText() const = 0;
    // Takes the reading sampled for the current step; false refuses it and changes nothing.
    virtual bool setValue(int value) = 0;

    bool running = false;
    Step step = Step(0);
    Step firstStep = Step(0);
    Record record{};

protected:
    // Owned by value inside its device object and never deleted through this type.
    ~Calibration() = default;
};
