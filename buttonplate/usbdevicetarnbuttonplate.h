#pragma once
// The wireless button plate: protocol version 3, profile count and active index at byte 26.
// Besides the shared profile exchanges it saves the hall-sensor calibrations of its two paddle
// pairs, reads and resets its usage statistics in six pages, keeps a factory-settings block and
// runs an accelerometer test.

#include "buttonplate/buttonplaterecords.h"
#include "buttonplate/hallsensorcalibration.h"
#include "usb/usbsettingsdevice.h"

class UsbDeviceTarnButtonPlate : public UsbProfileDevice<TarnUsbBleButtonPlateProfile, 100> {
    Q_OBJECT

public:
    static constexpr uint8_t kProtocolVersion = 3;
    static constexpr int kMarkerOffset = 26;

    UsbDeviceTarnButtonPlate(const QString& path, std::unique_ptr<HidDevice> handle);

    uint32_t firmwareHash = 0;
    char firmwareBuildDate[13] = {}; // 12 bytes of text and a terminator of our own
    uint8_t factorySettingsBlock[kFactoryBlockSize] = {};
    TarnUsbButtonPlateUsageStatisticsStructure statistics = {};
    ClutchPaddleCalibration clutchCalibration;
    PaddleShifterCalibration shifterCalibration;

signals:
    // `update` points into the report being dispatched: valid only during the emission.
    void onJoystickUpdate(UsbDevice* device, TarnUsbBleButtonPlateJoystickUpdate* update,
                          uint64_t readTimeMicros);
    void onCalibrationSave();
    // The last statistics page has arrived; `statistics` is the stored structure.
    void onStatisticsLoad(const TarnUsbButtonPlateUsageStatisticsStructure& statistics);
    void onStatisticsReset();
    void onAccelerometerTested(bool success);

public slots:
    void saveFactorySettings();
    void loadFactorySettings();
    void saveClutchesCalibration();
    void saveShiftersCalibration();
    void loadStatistics();
    void resetStatistics();
    void accelerometerTest();

protected:
    void handleJoystickReport(TarnUsbReport* report, uint64_t readTimeMicros) override;
    // The accelerometer result and a statistics page past the last, neither awaited.
    bool handleUnaskedReport(TarnUsbReport* report, uint64_t readTimeMicros) override;
    void handleAnswer(const TarnUsbReport* report) override;

private:
    void handleLoadAnswer(const TarnUsbReport* report);
    void handleStatisticsPage(const TarnUsbReport* report);
    void sendStatisticsPage(int page);
    void saveCalibration(uint8_t selector, const TarnUsbBlePaddlesCalibration& record);
};
