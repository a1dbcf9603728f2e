#pragma once
// The pedal set: protocol version 4, profile count and active index at byte 26. Its load reads
// the calibration (command 10) before the profiles; it stores a calibration (11) that its wizard
// collects between a calibration start (14) and stop (15).

#include "pedals/pedalscalibration.h"
#include "pedals/pedalsrecords.h"
#include "usb/usbsettingsdevice.h"

class UsbDeviceTarnPedals : public UsbProfileDevice<TarnUsbPedalsProfileV2, 40> {
    Q_OBJECT

public:
    static constexpr uint8_t kProtocolVersion = 4;
    static constexpr int kMarkerOffset = 26;
    // The pedals take their time to enter calibration: the start is resent less often.
    static constexpr int kCalibrationStartRetryMs = 1000;

    UsbDeviceTarnPedals(const QString& path, std::unique_ptr<HidDevice> handle);

    void applyTimings(const UsbTimings& timings) override;

    TarnUsbPedalsCalibrationV2 calibration{};
    PedalsCalibration calibrationWizard;

signals:
    // `update` points into the report and is valid only during the emission.
    void onJoystickUpdate(UsbDevice* device, TarnUsbPedalsJoystickUpdate* update,
                          uint64_t readTimeMicros);
    void onCalibrationSave();
    void onCalibrationStarted();

public slots:
    void loadCalibration();
    // Stores the wizard's record as the calibration and sends it.
    void saveCalibration();
    void startCalibration();
    void stopCalibration();

protected:
    void handleJoystickReport(TarnUsbReport* report, uint64_t readTimeMicros) override;
    void handleAnswer(const TarnUsbReport* report) override;
    // The pedals do not tell when a save has ended.
    void settingsSaveFinished() override {}

private:
    int retryIntervalMs;
};
