#include "wheelbase/gamescompatibilitykey.h"

namespace {

// The wheel base's joystick OEM key below the registry's system key, which the current user's
// hive spells "System" and the machine's "SYSTEM".
const wchar_t* const kOemKeyPath = L"\\CurrentControlSet\\Control\\MediaProperties\\"
                                   L"PrivateProperties\\Joystick\\OEM\\VID_0483&PID_A355";
const wchar_t* const kValueName = L"OEMData";
// The joystick's hardware settings: the flags (0x40, a car controller) and the button count (0),
// two little-endian u32s.
constexpr RegistryBinaryValue kCarController = {0x40, 0, 0, 0, 0, 0, 0, 0};
const wchar_t* const kCarControllerHex = L"4000000000000000";

std::wstring userOemKey() {
    return std::wstring(L"System") + kOemKeyPath;
}

std::wstring machineOemKey() {
    return std::wstring(L"SYSTEM") + kOemKeyPath;
}

// A key name on the interpreter's command line, where a bare '&' separates commands.
std::wstring forInterpreter(const std::wstring& key) {
    std::wstring escaped;
    for (const wchar_t c : key) {
        if (c == L'&')
            escaped += L'^';
        escaped += c;
    }
    return escaped;
}

bool holdsCarController(GamesKeyPlatform& platform, RegistryRoot root, const std::wstring& key) {
    RegistryBinaryValue value{};
    return platform.readBinaryValue(root, key, kValueName, value) && value == kCarController;
}

} // namespace

bool gamesKeyPresentAfter(GamesKeyOutcome outcome) {
    return outcome == GamesKeyOutcome::Installed || outcome == GamesKeyOutcome::NotUninstalled;
}

std::wstring gamesKeyInstallParameters() {
    const std::wstring value =
        std::wstring(L" /v ") + kValueName + L" /t REG_BINARY /d \"" + kCarControllerHex + L"\" /f";
    return L"/c REG ADD HKLM\\" + forInterpreter(machineOemKey()) + value + L" && REG ADD HKCU\\" +
           forInterpreter(userOemKey()) + value;
}

std::wstring gamesKeyUninstallParameters() {
    const std::wstring user = forInterpreter(userOemKey());
    const std::wstring value = std::wstring(L" /v ") + kValueName + L" /f";
    // The user's value is deleted after a one-line regini script has opened the user's key to
    // everyone (permission code 7).
    return L"/c REG DELETE HKLM\\" + forInterpreter(machineOemKey()) + value +
           L" && echo HKEY_CURRENT_USER\\" + user +
           L" [7] >> \"TmpKeyPermx.txt\" && regini TmpKeyPermx.txt && del TmpKeyPermx.txt"
           L" && REG DELETE HKCU\\" +
           user + value;
}

bool GamesCompatibilityKey::isGamesCompatibilityKeyPresent() {
    return holdsCarController(platform, RegistryRoot::CurrentUser, userOemKey()) &&
           holdsCarController(platform, RegistryRoot::LocalMachine, machineOemKey());
}

void GamesCompatibilityKey::installGamesCompatibilityKey() {
    platform.runElevated(gamesKeyInstallParameters());
}

void GamesCompatibilityKey::uninstallGamesCompatibilityKey() {
    platform.runElevated(gamesKeyUninstallParameters());
}

GamesKeyOutcome GamesCompatibilityKey::toggle() {
    if (isGamesCompatibilityKeyPresent()) {
        uninstallGamesCompatibilityKey();
        return isGamesCompatibilityKeyPresent() ? GamesKeyOutcome::NotUninstalled
                                                : GamesKeyOutcome::Uninstalled;
    }
    installGamesCompatibilityKey();
    return isGamesCompatibilityKeyPresent() ? GamesKeyOutcome::Installed
                                            : GamesKeyOutcome::NotInstalled;
}
