#include "usb/usbsettingsdevice.h"

#include <cstring>
#include <vector>

UsbSettingsDevice::UsbSettingsDevice(const QString& path, std::unique_ptr<HidDevice> handle,
                                     const SettingsProtocol& protocol,
                                     const ProfileTableShape& table)
    : UsbDevice(path, std::move(handle))
    , settingsProtocol(protocol)
    , table(table) {
    updateTimer.setSingleShot(true);
    updateTimer.setInterval(UsbTimings().updateDebounceMs);
    connect(&updateTimer, &QTimer::timeout, this, &UsbSettingsDevice::sendLiveUpdateStart);
}

void UsbSettingsDevice::applyTimings(const UsbTimings& timings) {
    UsbDevice::applyTimings(timings);
    updateTimer.setInterval(timings.updateDebounceMs);
}

void UsbSettingsDevice::handleReport(TarnUsbReport* report, uint64_t readTimeMicros) {
    switch (report->data[0]) {
    case kJoystickReportId:
        handleJoystickReport(report, readTimeMicros);
        return;
    case kResponseReportId:
        if (!handleUnaskedReport(report, readTimeMicros) && takeAnswer(report))
            handleAnswer(report);
        return;
    default:
        return;
    }
}

void UsbSettingsDevice::handleJoystickReport(TarnUsbReport*, uint64_t) {}

bool UsbSettingsDevice::handleUnaskedReport(TarnUsbReport*, uint64_t) {
    return false;
}

ProfileListView UsbSettingsDevice::profileList() {
    return ProfileListView{profileRecord(0), table.recordSize, table.capacity, profileCount,
                           currentProfile};
}

void UsbSettingsDevice::addProfile() {
    std::vector<uint8_t> first(table.recordSize, 0);
    fillFirstProfile(first.data());
    if (appendProfile(profileList(), first.data()))
        emit onSettingsLoaded(this);
}

void UsbSettingsDevice::removeActiveProfile() {
    if (removeCurrentProfile(profileList()))
        emit onSettingsLoaded(this);
}

void UsbSettingsDevice::enterBootloader() {
    writeRequest(makeRequest(kCmdEnterBootloader, 0), settingsProtocol.awaitEnterBootloader);
}

void UsbSettingsDevice::loadSettings() {
    TarnRequest begin = request(kCmdLoadSettings);
    begin[settingsProtocol.markerOffset] = 0;
    writeRequest(begin, true);
}

void UsbSettingsDevice::saveSettings() {
    sendMarker(kCmdSaveSettings, true);
}

void UsbSettingsDevice::updateSettings() {
    if (!liveUpdatesEnabled)
        return;
    if (settingsProtocol.restartDebounce || !updateTimer.isActive())
        updateTimer.start();
}

void UsbSettingsDevice::resetToFactoryDefaults() {
    TarnRequest reset = request(kCmdReset);
    reset[kFactoryResetFlagOffset] = kFlagSet;
    writeRequest(reset, false);
}

void UsbSettingsDevice::sendLiveUpdateStart() {
    sendMarker(kCmdLiveUpdate, true);
}

bool UsbSettingsDevice::takeLoadAnswer(const TarnUsbReport* report) {
    std::memcpy(deviceInfo, report->data + kRecordOffset, kDeviceInfoSize);
    profileCount = report->data[settingsProtocol.markerOffset];
    currentProfile = report->data[settingsProtocol.markerOffset + 1];
    if (profileCount > table.capacity) {
        int reported = profileCount;
        profileCount = 0;
        currentProfile = 0;
        emit onSettingsLoadFailed(
            this, tr("Device reports %1 profiles, but this config tool can hold at most %2.")
                      .arg(reported)
                      .arg(table.capacity));
        return false;
    }
    // The active index selects the record the pages edit: keep it inside the list.
    if (currentProfile >= profileCount)
        currentProfile = 0;
    return true;
}

bool UsbSettingsDevice::checkProtocolVersion(uint8_t deviceVersion) {
    if (deviceVersion < settingsProtocol.protocolVersion) {
        emit onSettingsLoadFailed(this,
                                  tr("Device has an older firmware. Please update the firmware."));
        return false;
    }
    if (deviceVersion > settingsProtocol.protocolVersion) {
        emit onSettingsLoadFailed(
            this, tr("Device had a newer firmware. Please update this config tool."));
        return false;
    }
    return true;
}

void UsbSettingsDevice::startReadingProfiles() {
    if (profileCount == 0)
        finishLoad();
    else
        sendReadProfile(0);
}

int UsbSettingsDevice::recordIndex(const TarnUsbReport* report) const {
    int index = int8_t(report->data[kRecordOffset]);
    return index >= 0 && index < table.capacity ? index : -1;
}

void UsbSettingsDevice::handleProfileTransfer(const TarnUsbReport* report) {
    const uint8_t* data = report->data;
    switch (data[1]) {
    case kCmdSaveSettings:
        if (data[settingsProtocol.markerOffset] == kEndMarker)
            settingsSaveFinished();
        else if (profileCount == 0) {
            sendMarker(kCmdSaveSettings, false);
            settingsSaveFinished();
        } else
            sendRecord(kCmdWriteProfile, 0);
        return;
    case kCmdReadProfile: {
        int index = recordIndex(report);
        if (index < 0)
            return;
        std::memcpy(profileRecord(index), data + kRecordOffset, table.recordSize);
        if (isLastProfile(index))
            finishLoad();
        else
            sendReadProfile(index + 1);
        return;
    }
    case kCmdWriteProfile: {
        int index = recordIndex(report);
        if (index < 0)
            return;
        if (isLastProfile(index)) {
            sendMarker(kCmdSaveSettings, false);
            settingsSaveFinished();
        } else
            sendRecord(kCmdWriteProfile, index + 1);
        return;
    }
    case kCmdLiveUpdate:
        if (data[settingsProtocol.markerOffset] == kEndMarker)
            return;
        if (profileCount == 0)
            finishLiveUpdate();
        else
            sendRecord(kCmdLiveUpdateProfile, 0);
        return;
    case kCmdLiveUpdateProfile: {
        int index = recordIndex(report);
        if (index < 0)
            return;
        if (isLastProfile(index))
            finishLiveUpdate();
        else
            sendRecord(kCmdLiveUpdateProfile, index + 1);
        return;
    }
    default:
        return;
    }
}

void UsbSettingsDevice::sendMarker(uint8_t command, bool begin) {
    TarnRequest marker = request(command);
    if (begin) {
        marker[settingsProtocol.markerOffset] = profileCount;
        marker[settingsProtocol.markerOffset + 1] = currentProfile;
    } else {
        marker[settingsProtocol.markerOffset] = kEndMarker;
    }
    writeRequest(marker, begin);
}

void UsbSettingsDevice::sendRecord(uint8_t command, int index) {
    TarnRequest record = request(command);
    std::memcpy(record.data() + kRecordOffset, profileRecord(index), table.recordSize);
    writeRequest(record, true, kRecordIndex);
}

void UsbSettingsDevice::sendReadProfile(int index) {
    TarnRequest read = request(kCmdReadProfile);
    read[kRecordOffset] = uint8_t(index);
    writeRequest(read, true, kRecordIndex);
}

void UsbSettingsDevice::finishLiveUpdate() {
    sendMarker(kCmdLiveUpdate, false);
    emit onSettingsUpdated(this);
}

void UsbSettingsDevice::finishLoad() {
    TarnRequest end = request(kCmdLoadSettings);
    end[settingsProtocol.markerOffset] = kEndMarker;
    writeRequest(end, false);
    emit onSettingsLoaded(this);
}
