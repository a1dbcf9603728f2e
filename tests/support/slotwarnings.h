#pragma once
// Qt connects a form's on_<object>_<signal> slots by object name and only prints a warning for a
// slot it finds no signal for, so a renamed widget would quietly cut its slot off. Every test
// program links a hook that makes such a warning fail the running test function. A test that
// checks the connections itself collects the warnings with a SlotWarningRecorder instead.

#include <QStringList>

class SlotWarningRecorder {
public:
    // From here on, connectSlotsByName warnings are collected instead of failing the test.
    SlotWarningRecorder();
    ~SlotWarningRecorder();
    SlotWarningRecorder(const SlotWarningRecorder&) = delete;
    SlotWarningRecorder& operator=(const SlotWarningRecorder&) = delete;

    QStringList warnings() const;

private:
    QStringList seen;
    // The collection of the recorder that was active before this one, back in place at its end.
    QStringList* outerCollection;
};
