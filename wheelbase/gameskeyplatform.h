#pragma once
// What the games compatibility key needs of the platform: a short binary value read from the
// registry, and the command interpreter started with administrator rights. Windows has both;
// elsewhere the platform says it has no registry and the key's row is hidden.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

enum class RegistryRoot { CurrentUser, LocalMachine };

// A REG_BINARY value of at most 8 bytes; a shorter one leaves the rest zero.
using RegistryBinaryValue = std::array<uint8_t, 8>;

class GamesKeyPlatform {
public:
    virtual ~GamesKeyPlatform() = default;

    // Whether the platform has the registry the key lives in.
    virtual bool hasRegistry() const = 0;
    // Opens `subKey` of `root` for reading, creating it when it does not exist, reads its
    // REG_BINARY value `name` into `value` (zero-filled first) and closes the key. False when the
    // key cannot be opened or the value is missing, of another type or longer than `value`.
    virtual bool readBinaryValue(RegistryRoot root, const std::wstring& subKey,
                                 const std::wstring& name, RegistryBinaryValue& value) = 0;
    // Starts "cmd" with `parameters`, elevated and hidden, and returns when it has ended; returns
    // at once when it cannot be started (the user refused the elevation, for instance).
    virtual void runElevated(const std::wstring& parameters) = 0;
};

// The platform the tool runs on.
std::unique_ptr<GamesKeyPlatform> createGamesKeyPlatform();
