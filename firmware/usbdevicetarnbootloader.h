#pragma once
// A device of the family restarted into its bootloader. It takes a firmware image in 32-byte
// chunks, each echoed by the device and checked with the family's CRC.

#include "usb/usbdevice.h"

#include <QByteArray>

class UsbDeviceTarnBootloader : public UsbDevice {
    Q_OBJECT

public:
    static constexpr uint8_t kProtocolVersion = 2;
    static constexpr int kChunkSize = 32;
    static constexpr int kFirstChunkRetryMs = 6000; // the device erases its memory first
    static constexpr int kChunkRetryMs = 200;

    UsbDeviceTarnBootloader(const QString& path, std::unique_ptr<HidDevice> handle);

    void handleReport(TarnUsbReport* report, uint64_t readTimeMicros) override;

    uint8_t deviceInfo[7] = {};
    QByteArray firmwareImage;

signals:
    void onSettingsLoaded(UsbDevice* device);
    void onFirmwareUpdateStarted(int chunks);
    void onFirmwareUpdateProgress(int currentChunk, int totalChunks);
    void onUpdateCompleted(UsbDevice* device);
    void onUpdateFailed(UsbDevice* device, QString errorMessage);

public slots:
    void exitBootloader();
    void resetToFactoryDefaults();
    void loadSettings();
    void updateFirmware(QByteArray newFirmwareBytes);

private:
    int chunkCount() const { return firmwareImage.size() / kChunkSize; }
    void sendChunk(int index);
    void handleChunkEcho(const uint8_t* data);
    void handleStatus(const uint8_t* data);
};

// An image holds at most this many chunks: chunk indices travel as signed 16-bit numbers.
constexpr int kMaxFirmwareChunks = 32767;

// Why a file of `size` bytes cannot be a firmware image (empty, or more than kMaxFirmwareChunks
// chunks), or an empty text when it can.
QString firmwareImageRefusal(qint64 size);

// The chunk request for chunk `index` of a padded image, or the end request when index equals
// the chunk count.
TarnRequest firmwareChunkRequest(const QByteArray& paddedImage, int index);
