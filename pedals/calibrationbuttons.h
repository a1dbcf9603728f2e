#pragma once
// The tips label and the three buttons (Start / Cancel, Next / Save, Prev) that a calibration
// wizard runs on, and the looks they take as it goes. Every wizard of the tool follows these
// steps; what differs between them (when a run starts, the warning's text) stays with its page.

#include <QString>

class QLabel;
class QPushButton;
class QWidget;

class CalibrationButtons {
public:
    CalibrationButtons(QLabel* tips, QPushButton* start, QPushButton* next, QPushButton* prev);

    // A run has begun at its first step, whose instruction is `text`.
    void showRunning(const QString& text);
    // The wizard accepted a reading and went on to a step; `last` when that step is the save.
    void showAdvanced(bool last, const QString& text);
    // The wizard went back to `step`; `renameNext` puts "Next step" back on the Next button.
    void showBack(int step, bool renameNext, const QString& text);
    // Next at the save step: nothing can be pressed until the device acknowledges.
    void showSaving();
    // Not running: Start enabled, Next (reading `nextText`) and Prev disabled, tips blank.
    void showIdle(const QString& nextText);
    // A refused reading: a warning box titled "Wrong value"; the step stays.
    void refuse(QWidget* parent, const QString& text);

private:
    QLabel* tips;
    QPushButton* start;
    QPushButton* next;
    QPushButton* prev;
};
