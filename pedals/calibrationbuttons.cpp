#include "pedals/calibrationbuttons.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("CalibrationButtons", text);
}
} // namespace

CalibrationButtons::CalibrationButtons(QLabel* tips, QPushButton* start, QPushButton* next,
                                       QPushButton* prev)
    : tips(tips)
    , start(start)
    , next(next)
    , prev(prev) {}

void CalibrationButtons::showRunning(const QString& text) {
    start->setText(tr("Cancel calibration"));
    next->setEnabled(true);
    tips->setText(text);
}

void CalibrationButtons::showAdvanced(bool last, const QString& text) {
    if (last)
        next->setText(tr("Save calibration"));
    else
        prev->setEnabled(true);
    tips->setText(text);
}

void CalibrationButtons::showBack(int step, bool renameNext, const QString& text) {
    if (step == 0)
        prev->setEnabled(false);
    else if (renameNext)
        next->setText(tr("Next step"));
    tips->setText(text);
}

void CalibrationButtons::showSaving() {
    start->setEnabled(false);
    next->setEnabled(false);
    prev->setEnabled(false);
    tips->setText(tr("Saving calibration."));
}

void CalibrationButtons::showIdle(const QString& nextText) {
    next->setEnabled(false);
    next->setText(nextText);
    prev->setEnabled(false);
    start->setEnabled(true);
    start->setText(tr("Start calibration"));
    tips->setText(QStringLiteral(" "));
}

void CalibrationButtons::refuse(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, tr("Wrong value"), text);
}
