#pragma once
// The pedals page: the three output bars, the Profile tab with each pedal's response curve (six
// points) and force range, the Debug tab with the telemetry, and the calibration wizard under
// the bars. Every edit is written into the active profile at once and reaches the pedals with
// their next live update. The window's form slots forward here; texts and conversions live in
// pedalstexts, the wizard's steps in PedalsCalibration.

#include "app/settingspage.h"
#include "pedals/calibrationbuttons.h"
#include "pedals/usbdevicetarnpedals.h"
#include "wheelbase/logbutton.h"

#include <QElapsedTimer>
#include <QHash>

#include <array>
#include <cstdint>

namespace Ui {
class TARN_wheel_tool;
}
class QDoubleSpinBox;
class QSlider;
class TelemetryLog;

class PedalsPage : public SettingsPage<UsbDeviceTarnPedals> {
    Q_OBJECT

public:
    // The three curve editors, in the order of the Profile tab.
    enum Pedal { kThrottle, kBrake, kClutch };

    PedalsPage(Ui::TARN_wheel_tool& ui, TelemetryLog& log, QObject* parent);

    void clear() override;
    void showLoaded() override {}
    void showProfile(int index) override;

    // A curve point moved; held between its neighbours.
    void editCurvePoint(Pedal pedal, int point, int value);
    // Back to the straight curve 0, 20, 40, 60, 80, 100.
    void resetCurve(Pedal pedal);
    // The user finished editing a force adjustment; refused, and put back, when it would bring
    // the maximum and the minimum closer than 10 raw units.
    void editMaxForce(Pedal pedal);
    void editMinForce(Pedal pedal);

    // Starts a pedals log, or stops the open log.
    void toggleLogging();

    // The wizard's buttons.
    void startOrCancelCalibration();
    void nextCalibrationStep();
    void previousCalibrationStep();

    // Every live report of the pedals.
    void onPedalsJoystickUpdate(UsbDevice* device, TarnUsbPedalsJoystickUpdate* update,
                                uint64_t readTimeMicros);
    void onPedalsDebugOutput(UsbDevice* device, TarnUsbPedalsDebugOutput* output,
                             uint64_t readTimeMicros);
    void drawPedals(uint16_t clutch, uint16_t brake, uint16_t throttle);
    // The pedals acknowledged the calibration start / the calibration save.
    void onCalibrationStarted();
    void onPedalsCalibrationSave();

    // The raw reading the Next button hands to the wizard; the live view keeps it current.
    uint32_t pedalsCalibrationValue = 0;

private:
    // One pedal's controls on the Profile tab and the fields they edit.
    struct CurveEditor {
        uint8_t (Profile::*curve)[6];
        uint16_t Profile::*maxForce;
        uint16_t Profile::*minForce;
        std::array<QSlider*, 6> sliders;
        std::array<QLabel*, 6> labels;
        QDoubleSpinBox* maxSpin;
        QDoubleSpinBox* minSpin;
    };

    void connectDevice(UsbDeviceTarnPedals& pedals) override;
    void editForce(QDoubleSpinBox* spin, uint16_t Profile::*member, uint16_t Profile::*other,
                   bool isMaximum);
    void showForce(QDoubleSpinBox* spin, double percent);
    // The bars as they are outside a calibration: titled, all three shown.
    void showBars(bool calibrating);
    void showIdleCalibration();
    uint16_t field(uint16_t Profile::*member) const;
    void storeField(uint16_t Profile::*member, uint16_t value);

    // Every report, before the refresh limit: the row of the open log.
    void logUpdate(const TarnUsbPedalsJoystickUpdate& update, uint64_t readTimeMicros);

    Ui::TARN_wheel_tool& ui;
    TelemetryLog& log;
    LogButton logButton;
    std::array<CurveEditor, 3> editors;
    CalibrationButtons calibrationButtons;
    QElapsedTimer sinceRedraw;
    // What each force box was last set to by the page or accepted from the user: losing the
    // focus without a change stores nothing, so a value shown rounded or clamped is never
    // written back.
    QHash<const QDoubleSpinBox*, double> shownForces;
};
