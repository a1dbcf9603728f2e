#pragma once
// What the wheel base, the pedals and the button plate share: the device info block, the profile
// list, and the exchanges that load it (command 3, then 5 per profile), save it (4, then 6 per
// profile) and apply it live (12, then 13 per profile) after a debounce. Each exchange is a chain
// driven by the answers: every answer sends the next request.

#include "profiles/profilelist.h"
#include "usb/usbdevice.h"

#include <QTimer>

// What differs between the device kinds in the shared exchanges.
struct SettingsProtocol {
    uint8_t protocolVersion;   // written into byte 2 of every request; the only version accepted
    int markerOffset;          // profile count and active index in commands 3, 4 and 12,
                               // and the end marker of their echoes
    bool restartDebounce;      // a burst of edits: update after the last (true) or the first edit
    bool awaitEnterBootloader; // resend command 1 until the device answers
};

// The profile table of a device class: how big one record is and how many the class holds.
struct ProfileTableShape {
    size_t recordSize;
    int capacity;
};

class UsbSettingsDevice : public UsbDevice {
    Q_OBJECT

public:
    static constexpr int kDeviceInfoSize = 7;

    UsbSettingsDevice(const QString& path, std::unique_ptr<HidDevice> handle,
                      const SettingsProtocol& protocol, const ProfileTableShape& table);

    // The retry interval and the live-update debounce.
    void applyTimings(const UsbTimings& timings) override;

    // Joystick reports, then the reports the device sends on its own, then answers: each
    // answer only while the request it answers is outstanding.
    void handleReport(TarnUsbReport* report, uint64_t readTimeMicros) override;

    // Bytes 3..9 of the load answer: hardware version in bytes 4 and 5, software in 6 and 7.
    uint8_t deviceInfo[kDeviceInfoSize] = {};
    int hardwareMajor() const { return deviceInfo[1]; }
    int hardwareMinor() const { return deviceInfo[2]; }
    int softwareMajor() const { return deviceInfo[3]; }
    int softwareMinor() const { return deviceInfo[4]; }

    uint8_t profileCount = 0;
    uint8_t currentProfile = 0;
    bool liveUpdatesEnabled = false;
    QTimer updateTimer;

    // Record i of the profile list, i below the capacity.
    virtual uint8_t* profileRecord(int index) = 0;
    ProfileListView profileList();

    // Profile-list operations; adding and removing emit onSettingsLoaded so the page refills.
    void addProfile();
    void removeActiveProfile();

signals:
    void onSettingsLoaded(UsbDevice* device);
    void onSettingsLoadFailed(UsbDevice* device, QString message);
    void onSettingsSaved(UsbDevice* device);
    // A live update has been sent whole: its end marker is written.
    void onSettingsUpdated(UsbDevice* device);

public slots:
    void enterBootloader();
    void loadSettings();
    void saveSettings();
    void updateSettings();
    void resetToFactoryDefaults();

protected:
    // A joystick report (id 0x01).
    virtual void handleJoystickReport(TarnUsbReport* report, uint64_t readTimeMicros);
    // A response report the device sends on its own rather than as an answer; true when the
    // report was one.
    virtual bool handleUnaskedReport(TarnUsbReport* report, uint64_t readTimeMicros);
    // The answer to the request outstanding: the class's own commands, and the profile
    // transfers through handleProfileTransfer.
    virtual void handleAnswer(const TarnUsbReport* report) = 0;

    // Takes the device info block and the profile count and active index of a load answer.
    // False (with onSettingsLoadFailed) when the list does not fit this tool's table.
    bool takeLoadAnswer(const TarnUsbReport* report);
    // The firmware-compatibility check; emits onSettingsLoadFailed on a mismatch.
    bool checkProtocolVersion(uint8_t deviceVersion);
    // Reads profile 0, or ends the load at once when the device has no profiles.
    void startReadingProfiles();
    // Answers of commands 4, 5, 6, 12 and 13; any other answer is ignored.
    void handleProfileTransfer(const TarnUsbReport* report);
    // The end of a save: the wheel base and the button plate say so, the pedals do not.
    virtual void settingsSaveFinished() { emit onSettingsSaved(this); }
    // A new first profile when the device reported none; zero apart from index and name.
    virtual void fillFirstProfile(uint8_t* record) { (void)record; }

    TarnRequest request(uint8_t command) const {
        return makeRequest(command, settingsProtocol.protocolVersion);
    }

private:
    void sendLiveUpdateStart();
    void sendMarker(uint8_t command, bool begin);
    void sendRecord(uint8_t command, int index);
    void sendReadProfile(int index);
    void finishLoad();
    void finishLiveUpdate();
    // The index byte of a record answer, or -1 when it lies outside the table.
    int recordIndex(const TarnUsbReport* report) const;
    bool isLastProfile(int index) const { return index >= int(profileCount) - 1; }

    SettingsProtocol settingsProtocol;
    ProfileTableShape table;
};

// A settings device whose profiles are records of type Profile: the table, the record access and
// the typed active profile, so that a device class holds only its protocol.
template <class Profile, int Capacity> class UsbProfileDevice : public UsbSettingsDevice {
public:
    using ProfileRecord = Profile;
    static constexpr int kCapacity = Capacity;

    UsbProfileDevice(const QString& path, std::unique_ptr<HidDevice> handle,
                     const SettingsProtocol& protocol)
        : UsbSettingsDevice(path, std::move(handle), protocol, {sizeof(Profile), Capacity}) {}

    uint8_t* profileRecord(int index) override {
        return reinterpret_cast<uint8_t*>(&profiles[index]);
    }
    Profile& activeProfile() { return profiles[currentProfile]; }

    // Copies a whole record over the active one; the record takes the active one's index.
    void replaceActiveProfile(Profile& profile) {
        if (profileCount == 0)
            return;
        profile.index = profiles[currentProfile].index;
        replaceCurrentProfile(profileList(), reinterpret_cast<const uint8_t*>(&profile));
    }

    Profile profiles[Capacity] = {};
};
