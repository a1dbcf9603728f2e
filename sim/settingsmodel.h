#pragma once
// What the wheel base, the pedals and the button plate do alike in application mode. Each holds
// a list of named profiles: command 3 reports its version, device info and the list's size and
// active index (at the kind's marker offset); command 5 reads record i; commands 4 and 6 take
// a new list and keep it (on the end marker of command 4); commands 12 and 13 take a new list
// for the running device only; command 8 with byte 5 = 1 restores the factory profiles; and
// command 1 restarts the device into its bootloader. Every answer carries the device's protocol
// version in byte 2.

#include "sim/devicemodel.h"

#include <algorithm>
#include <cstring>
#include <string>

class SettingsModel : public DeviceModel {
public:
    uint8_t protocolVersion;
    // Bytes 3..9 of the command-3 answer: identification byte, hardware major and minor,
    // software major and minor, two bytes of the firmware's own.
    uint8_t deviceInfo[7] = {};
    uint8_t activeProfile = 0;
    uint8_t savedActiveProfile = 0; // as kept by the last save
    // The end markers of commands 3, 4 and 12 get no answer unless this is set (the firmware's
    // choice; the tool awaits none).
    bool answerEndMarkers = false;

    virtual size_t profileCount() const = 0;
    // Shortens the list, or lengthens it with factory profiles numbered by their position.
    void setProfileCount(size_t count) { resizeProfiles(count); }
    void setHardwareVersion(uint8_t major, uint8_t minor) {
        deviceInfo[1] = major;
        deviceInfo[2] = minor;
    }

    void handleOutputReport(const uint8_t* data, size_t length, const ReportSink& send) override;
    // A new image is a newer software: the minor version goes up by one.
    void installFirmware(std::vector<uint8_t> image) override {
        DeviceModel::installFirmware(std::move(image));
        ++deviceInfo[4];
    }

protected:
    SettingsModel(uint8_t protocolVersion, size_t markerOffset, size_t recordSize);

    virtual uint8_t* profileBytes(size_t index) = 0;
    virtual void resizeProfiles(size_t count) = 0;
    virtual void keepProfiles() = 0;
    virtual void restoreFactoryProfiles() = 0;
    // The device's own fields of the command-3 answer (firmware hash, build date).
    virtual void fillLoadAnswer(std::vector<uint8_t>& answer) const { (void)answer; }
    // Commands of one device kind; false when the kind has no such command.
    virtual bool handleOwnCommand(const uint8_t* request, const ReportSink& send) {
        (void)request;
        (void)send;
        return false;
    }
    // A 64-byte answer to `command`: 0x65, the command, the protocol version, zeros.
    std::vector<uint8_t> answer(uint8_t command) const;
    // The request echoed as the answer (acknowledgements).
    std::vector<uint8_t> echo(const uint8_t* request) const;

    virtual VirtualDeviceIdentity bootloaderIdentity() const = 0;
    std::unique_ptr<DeviceModel> restartInto(std::unique_ptr<DeviceModel> self) override;

    const size_t markerOffset;
    const size_t recordSize;

private:
    void takeListMarker(const uint8_t* request);
};

// The profile list of one device kind, in its wire record.
template <class Record> class ProfileListModel : public SettingsModel {
public:
    std::vector<Record> profiles;      // what the running device uses and command 5 reads
    std::vector<Record> savedProfiles; // what survives a restart: the last save, or the factory's

    size_t profileCount() const override { return profiles.size(); }
    // The factory list: three profiles by default.
    virtual std::vector<Record> factoryProfiles() const {
        return {factoryProfile(0), factoryProfile(1), factoryProfile(2)};
    }
    virtual Record factoryProfile(int index) const = 0;

protected:
    ProfileListModel(uint8_t protocolVersion, size_t markerOffset)
        : SettingsModel(protocolVersion, markerOffset, sizeof(Record)) {}

    uint8_t* profileBytes(size_t index) override {
        return reinterpret_cast<uint8_t*>(&profiles[index]);
    }
    void resizeProfiles(size_t count) override {
        while (profiles.size() < count)
            profiles.push_back(factoryProfile(int(profiles.size())));
        profiles.resize(count);
    }
    void keepProfiles() override {
        savedProfiles = profiles;
        savedActiveProfile = activeProfile;
    }
    void restoreFactoryProfiles() override {
        profiles = factoryProfiles();
        activeProfile = 0;
        keepProfiles();
    }
};

// Writes a profile name the way the tool does: UTF-8, NUL-terminated, at most 15 bytes.
inline void setRecordName(char (&name)[16], const std::string& text) {
    std::memset(name, 0, sizeof name);
    std::memcpy(name, text.data(), std::min<size_t>(text.size(), sizeof name - 1));
}
