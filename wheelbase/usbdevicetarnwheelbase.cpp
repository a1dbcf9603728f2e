#include "wheelbase/usbdevicetarnwheelbase.h"

#include <cstring>

namespace {
const SettingsProtocol kWheelBaseProtocol{UsbDeviceTarnWheelBase::kProtocolVersion,
                                          UsbDeviceTarnWheelBase::kMarkerOffset,
                                          /*restartDebounce=*/true,
                                          /*awaitEnterBootloader=*/false};

// Oldest protocol version whose load answer carries the device info and the profile count.
constexpr uint8_t kFirstVersionWithDeviceInfo = 2;
} // namespace

UsbDeviceTarnWheelBase::UsbDeviceTarnWheelBase(const QString& path,
                                               std::unique_ptr<HidDevice> handle)
    : UsbProfileDevice(path, std::move(handle), kWheelBaseProtocol) {}

TarnUsbWheelBaseProfileV5 UsbDeviceTarnWheelBase::defaultProfile() {
    TarnUsbWheelBaseProfileV5 profile{};
    profile.encoderType = 3;
    profile.encoderResolution = 4194304;
    profile.rotationDegrees = 900;
    profile.force = 50;
    profile.smoothing = 1;
    profile.damping = 1;
    return profile;
}

void UsbDeviceTarnWheelBase::fillFirstProfile(uint8_t* record) {
    TarnUsbWheelBaseProfileV5 profile = defaultProfile();
    std::memcpy(record, &profile, sizeof profile);
}

void UsbDeviceTarnWheelBase::handleJoystickReport(TarnUsbReport* report, uint64_t readTimeMicros) {
    emit onJoystickUpdate(this, reinterpret_cast<TarnUsbWheelBaseJoystickUpdate*>(report->data + 1),
                          readTimeMicros);
}

bool UsbDeviceTarnWheelBase::handleUnaskedReport(TarnUsbReport* report, uint64_t readTimeMicros) {
    uint8_t* payload = report->data + kRecordOffset;
    switch (report->data[1]) {
    case kCmdTelemetry:
        emit onDebugOutput(this, reinterpret_cast<TarnUsbWheelBaseDebugOutput*>(payload),
                           readTimeMicros);
        return true;
    case kCmdTest:
        emit onTestCommand(this, reinterpret_cast<TarnUsbWheelBaseTestCommand*>(payload));
        return true;
    default:
        return false;
    }
}

void UsbDeviceTarnWheelBase::handleAnswer(const TarnUsbReport* report) {
    switch (report->data[1]) {
    case kCmdLoadSettings:
        handleLoadAnswer(report);
        break;
    case kCmdCenterRim:
        handleCenterRimAnswer(report);
        break;
    default:
        handleProfileTransfer(report);
        break;
    }
}

void UsbDeviceTarnWheelBase::handleLoadAnswer(const TarnUsbReport* report) {
    const uint8_t* data = report->data;
    deviceProtocolVersion = data[2];
    if (deviceProtocolVersion >= kFirstVersionWithDeviceInfo) {
        firmwareHash = readLe32(data + kFirmwareHashOffset);
        std::memcpy(firmwareBuildDate, data + kFirmwareBuildDateOffset, sizeof firmwareBuildDate);
        firmwareBuildDate[sizeof firmwareBuildDate - 1] = '\0';
        if (!takeLoadAnswer(report))
            return;
    } else {
        std::memset(deviceInfo, 0, sizeof deviceInfo);
        profileCount = 0;
        currentProfile = 0;
    }
    if (checkProtocolVersion(deviceProtocolVersion))
        startReadingProfiles();
}

void UsbDeviceTarnWheelBase::handleCenterRimAnswer(const TarnUsbReport* report) {
    const uint8_t* data = report->data;
    if (data[2] >= kFirstVersionWithDeviceInfo) {
        int index = int8_t(data[kRecordOffset]);
        if (index < 0 || index >= kCapacity)
            return;
        std::memcpy(&profiles[index], data + kRecordOffset, sizeof(TarnUsbWheelBaseProfileV5));
    } else {
        uint8_t count = data[kMarkerOffset];
        if (count > kCapacity)
            return;
        profileCount = count;
        currentProfile = data[kMarkerOffset + 1] < count ? data[kMarkerOffset + 1] : 0;
    }
    emit onSettingsLoaded(this);
}

void UsbDeviceTarnWheelBase::centerRim() {
    if (profileCount == 0)
        return;
    TarnRequest center = request(kCmdCenterRim);
    std::memcpy(center.data() + kRecordOffset, &profiles[currentProfile],
                sizeof(TarnUsbWheelBaseProfileV5));
    writeRequest(center, true);
}

void UsbDeviceTarnWheelBase::sendTestCommand(uint8_t test, float constantForce) {
    TarnRequest command = request(kCmdTest);
    TarnUsbWheelBaseTestCommand payload{test, constantForce};
    std::memcpy(command.data() + kRecordOffset, &payload, sizeof payload);
    writeRequest(command, false);
}

void UsbDeviceTarnWheelBase::sendTestForceCommand(float constantForce) {
    sendTestCommand(kWheelBaseTestConstantForce, constantForce);
}

void UsbDeviceTarnWheelBase::sendTestBrakeResistorCommand(bool enabled) {
    sendTestCommand(enabled ? kWheelBaseTestBrakeResistorOn : kWheelBaseTestBrakeResistorOff, 0.0f);
}

void UsbDeviceTarnWheelBase::realignMotor() {
    sendTestCommand(kWheelBaseTestRealignMotor, 0.0f);
}
