// The games compatibility key's platform on Windows: the registry read through the Win32 API,
// and the elevated command interpreter started through the shell. Built on Windows only; CI
// compiles it against the Windows headers with a cross compiler (scripts/check-windows.sh).

#include "wheelbase/gameskeyplatform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <shellapi.h>

namespace {

// KEY_READ: query values, enumerate sub-keys, notify, read control.
constexpr REGSAM kReadAccess = 0x20019;

HKEY rootKey(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

class WindowsGamesKeyPlatform final : public GamesKeyPlatform {
public:
    bool hasRegistry() const override { return true; }

    bool readBinaryValue(RegistryRoot root, const std::wstring& subKey, const std::wstring& name,
                         RegistryBinaryValue& value) override {
        HKEY key = nullptr;
        if (RegCreateKeyExW(rootKey(root), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            kReadAccess, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return false;
        value.fill(0);
        DWORD size = DWORD(value.size());
        const LSTATUS status = RegGetValueW(key, nullptr, name.c_str(), RRF_RT_REG_BINARY, nullptr,
                                            value.data(), &size);
        RegCloseKey(key);
        return status == ERROR_SUCCESS;
    }

    void runElevated(const std::wstring& parameters) override {
        SHELLEXECUTEINFOW execute{};
        execute.cbSize = sizeof execute;
        execute.fMask = SEE_MASK_NOCLOSEPROCESS; // hand back the process to wait on
        execute.lpVerb = L"runas";
        execute.lpFile = L"cmd";
        execute.lpParameters = parameters.c_str();
        execute.nShow = SW_HIDE;
        if (!ShellExecuteExW(&execute) || !execute.hProcess)
            return;
        // Blocks until the interpreter has ended, whatever its exit code: the registry is read
        // again afterwards and tells how the command went.
        WaitForSingleObject(execute.hProcess, INFINITE);
        CloseHandle(execute.hProcess);
    }
};

} // namespace

std::unique_ptr<GamesKeyPlatform> createGamesKeyPlatform() {
    return std::make_unique<WindowsGamesKeyPlatform>();
}
