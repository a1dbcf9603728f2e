#include "sim/settingsmodel.h"

#include "sim/bootloadermodel.h"
#include "usb/tarnusbreport.h"

SettingsModel::SettingsModel(uint8_t version, size_t marker, size_t size)
    : protocolVersion(version)
    , markerOffset(marker)
    , recordSize(size) {}

std::vector<uint8_t> SettingsModel::answer(uint8_t command) const {
    std::vector<uint8_t> report(kReportSize, 0);
    report[0] = kResponseReportId;
    report[1] = command;
    report[2] = protocolVersion;
    return report;
}

std::vector<uint8_t> SettingsModel::echo(const uint8_t* request) const {
    std::vector<uint8_t> report(request, request + kReportSize);
    report[0] = kResponseReportId;
    report[2] = protocolVersion;
    return report;
}

void SettingsModel::takeListMarker(const uint8_t* request) {
    resizeProfiles(request[markerOffset]);
    activeProfile = request[markerOffset + 1];
}

void SettingsModel::handleOutputReport(const uint8_t* data, size_t length, const ReportSink& send) {
    if (length != size_t(kReportSize) || data[0] != kCommandReportId)
        return;
    const bool endMarker = data[markerOffset] == kEndMarker;
    const size_t index = data[kRecordOffset];
    switch (data[1]) {
    case kCmdEnterBootloader:
        requestRestart();
        return;
    case kCmdLoadSettings:
        if (endMarker) {
            if (answerEndMarkers)
                send(echo(data));
            return;
        }
        {
            std::vector<uint8_t> load = answer(kCmdLoadSettings);
            std::memcpy(load.data() + kRecordOffset, deviceInfo, sizeof deviceInfo);
            fillLoadAnswer(load);
            load[markerOffset] = uint8_t(profileCount());
            load[markerOffset + 1] = activeProfile;
            send(load);
        }
        return;
    case kCmdSaveSettings:
    case kCmdLiveUpdate:
        if (endMarker) {
            if (data[1] == kCmdSaveSettings)
                keepProfiles();
            if (answerEndMarkers)
                send(echo(data));
            return;
        }
        takeListMarker(data);
        send(echo(data));
        return;
    case kCmdReadProfile:
        // A profile the device does not have gets no answer.
        if (index < profileCount()) {
            std::vector<uint8_t> record = answer(kCmdReadProfile);
            std::memcpy(record.data() + kRecordOffset, profileBytes(index), recordSize);
            send(record);
        }
        return;
    case kCmdWriteProfile:
    case kCmdLiveUpdateProfile:
        if (index < profileCount())
            std::memcpy(profileBytes(index), data + kRecordOffset, recordSize);
        send(echo(data));
        return;
    case kCmdReset:
        if (data[kFactoryResetFlagOffset] == kFlagSet)
            restoreFactoryProfiles();
        return;
    default:
        handleOwnCommand(data, send);
        return;
    }
}

std::unique_ptr<DeviceModel> SettingsModel::restartInto(std::unique_ptr<DeviceModel> self) {
    VirtualDeviceIdentity identity = bootloaderIdentity();
    return std::make_unique<BootloaderModel>(std::move(self), identity);
}
