// Platforms without the Windows registry: nothing to read and nothing to run, so the games
// compatibility key's row is hidden.

#include "wheelbase/gameskeyplatform.h"

namespace {

class InertGamesKeyPlatform final : public GamesKeyPlatform {
public:
    bool hasRegistry() const override { return false; }
    bool readBinaryValue(RegistryRoot, const std::wstring&, const std::wstring&,
                         RegistryBinaryValue&) override {
        return false;
    }
    void runElevated(const std::wstring&) override {}
};

} // namespace

std::unique_ptr<GamesKeyPlatform> createGamesKeyPlatform() {
    return std::make_unique<InertGamesKeyPlatform>();
}
