#include "firmware/usbdevicetarnbootloader.h"

#include "profiles/crc.h"

#include <cstring>
#include <utility>

namespace {
constexpr int kChunkDataOffset = 2;
constexpr int kChunkIndexOffset = 34;
constexpr int kChunkCountOffset = 36;
constexpr int kChunkCrcOffset = 38;
constexpr int kHasPreviousOffset = 42;
constexpr int kPreviousTailOffset = 43;
constexpr int kPreviousTailSize = 16;

// An echo answers the chunk whose index it carries.
constexpr AnswerIndex kChunkEchoIndex{kChunkIndexOffset, 2};

enum FirmwareStatus : uint8_t { kStatusOk = 0, kStatusEraseFailed = 1, kStatusProgramFailed = 2 };
} // namespace

QString firmwareImageRefusal(qint64 size) {
    const qint64 limit = qint64(kMaxFirmwareChunks) * UsbDeviceTarnBootloader::kChunkSize;
    if (size == 0)
        return UsbDeviceTarnBootloader::tr("The file is empty: it holds no firmware.");
    if (size > limit)
        return UsbDeviceTarnBootloader::tr("The file holds %1 bytes, but a firmware image holds "
                                           "at most %2 bytes (%3 chunks of %4 bytes).")
            .arg(size)
            .arg(limit)
            .arg(kMaxFirmwareChunks)
            .arg(UsbDeviceTarnBootloader::kChunkSize);
    return QString();
}

TarnRequest firmwareChunkRequest(const QByteArray& paddedImage, int index) {
    const int count = paddedImage.size() / UsbDeviceTarnBootloader::kChunkSize;
    TarnRequest chunk{};
    chunk[0] = kCommandReportId;
    chunk[1] = kCmdEnterBootloader; // command 1 carries firmware chunks in the bootloader
    writeLe16(chunk.data() + kChunkIndexOffset, uint16_t(index));
    writeLe16(chunk.data() + kChunkCountOffset, uint16_t(count));
    if (index >= count)
        return chunk;
    const auto* image = reinterpret_cast<const uint8_t*>(paddedImage.constData());
    const size_t start = size_t(index) * UsbDeviceTarnBootloader::kChunkSize;
    std::memcpy(chunk.data() + kChunkDataOffset, image + start,
                UsbDeviceTarnBootloader::kChunkSize);
    writeLe32(chunk.data() + kChunkCrcOffset,
              tarnCrc32(chunk.data() + kChunkDataOffset, UsbDeviceTarnBootloader::kChunkSize));
    if (index > 0) {
        chunk[kHasPreviousOffset] = 1;
        std::memcpy(chunk.data() + kPreviousTailOffset, image + start - kPreviousTailSize,
                    kPreviousTailSize);
    }
    return chunk;
}

UsbDeviceTarnBootloader::UsbDeviceTarnBootloader(const QString& path,
                                                 std::unique_ptr<HidDevice> handle)
    : UsbDevice(path, std::move(handle)) {}

void UsbDeviceTarnBootloader::exitBootloader() {
    TarnRequest exit = makeRequest(kCmdReset, kProtocolVersion);
    exit[kExitBootloaderFlagOffset] = kFlagSet;
    writeRequest(exit, false);
}

void UsbDeviceTarnBootloader::resetToFactoryDefaults() {
    TarnRequest reset = makeRequest(kCmdReset, kProtocolVersion);
    reset[kFactoryResetFlagOffset] = kFlagSet;
    writeRequest(reset, false);
}

void UsbDeviceTarnBootloader::loadSettings() {
    writeRequest(makeRequest(kCmdLoadSettings, kProtocolVersion), true);
}

void UsbDeviceTarnBootloader::updateFirmware(QByteArray newFirmwareBytes) {
    firmwareImage = std::move(newFirmwareBytes);
    if (int remainder = firmwareImage.size() % kChunkSize)
        firmwareImage.append(QByteArray(kChunkSize - remainder, '\0'));
    const int count = chunkCount();
    emit onFirmwareUpdateStarted(count);
    setRetryInterval(kFirstChunkRetryMs);
    emit onFirmwareUpdateProgress(0, count);
    if (count == 0) {
        writeRequest(firmwareChunkRequest(firmwareImage, 0), false);
        emit onUpdateCompleted(this);
        return;
    }
    writeRequest(firmwareChunkRequest(firmwareImage, 0), true, kChunkEchoIndex);
}

void UsbDeviceTarnBootloader::sendChunk(int index) {
    const int count = chunkCount();
    emit onFirmwareUpdateProgress(index, count);
    if (index == 1)
        setRetryInterval(kChunkRetryMs);
    if (index >= count) {
        writeRequest(firmwareChunkRequest(firmwareImage, count), false);
        emit onUpdateCompleted(this);
        return;
    }
    writeRequest(firmwareChunkRequest(firmwareImage, index), true, kChunkEchoIndex);
}

// The bootloader's reports are told apart by byte 1 alone. The status comes on its own; echoes
// and the load answer count only as answers to the request outstanding.
void UsbDeviceTarnBootloader::handleReport(TarnUsbReport* report, uint64_t) {
    const uint8_t* data = report->data;
    if (data[1] == kCmdFirmwareStatus) {
        handleStatus(data);
        return;
    }
    if (!takeAnswer(report))
        return;
    switch (data[1]) {
    case kCmdEnterBootloader:
        handleChunkEcho(data);
        break;
    case kCmdLoadSettings:
        std::memcpy(deviceInfo, data + kRecordOffset, sizeof deviceInfo);
        emit onSettingsLoaded(this);
        break;
    default:
        break;
    }
}

void UsbDeviceTarnBootloader::handleChunkEcho(const uint8_t* data) {
    // Only the echo of the chunk just sent gets here, so index lies inside the image.
    const int index = int16_t(readLe16(data + kChunkIndexOffset));
    const int count = int16_t(readLe16(data + kChunkCountOffset));
    const char* sent = firmwareImage.constData() + qsizetype(index) * kChunkSize;
    // The echo shows what the bootloader received: its data must be the chunk as sent, and its
    // checksum must fit that data.
    if (std::memcmp(data + kChunkDataOffset, sent, kChunkSize) != 0 ||
        tarnCrc32(data + kChunkDataOffset, kChunkSize) != readLe32(data + kChunkCrcOffset)) {
        emit onUpdateFailed(this, tr("CRC failed on chunk %1 of %2").arg(index).arg(count));
        return;
    }
    sendChunk(index + 1);
}

void UsbDeviceTarnBootloader::handleStatus(const uint8_t* data) {
    switch (data[3]) {
    case kStatusOk:
        return;
    case kStatusEraseFailed:
        abandonRequest();
        emit onUpdateFailed(this, tr("Failed to erase memory, FW wasn't updated"));
        return;
    case kStatusProgramFailed:
        abandonRequest();
        emit onUpdateFailed(this, tr("Failed to programm chunk %1, FW wasn't updated")
                                      .arg(int16_t(readLe16(data + kChunkIndexOffset))));
        return;
    default:
        abandonRequest();
        emit onUpdateFailed(
            this, tr("Bootloader answered unknown status %1, FW wasn't updated").arg(data[3]));
        return;
    }
}
