// tarn-device-sim: hosts virtual devices of the family on a virtual HID bus, or as kernel HID
// devices through /dev/uhid, until SIGINT or SIGTERM, then takes them off the bus cleanly.
//
//     tarn-device-sim --bus DIR [--rate N] [--version N] [--late-answers MS] wheelbase ...
//     tarn-device-sim --uhid [--rate N] [--version N] [--late-answers MS] wheelbase ...

#include "sim/modelfactory.h"
#include "sim/settingsmodel.h"
#include "sim/uhiddevice.h"
#include "sim/virtualdevice.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string bus;
    // Or, instead of a bus, kernel HID devices through /dev/uhid.
    bool uhid = false;
    int rate = -1;    // joystick reports per second; -1: each device's own rate
    int version = -1; // protocol version the devices report; -1: their own
    int answerDelayMs = 0;
    std::vector<std::string> kinds;
};

void printUsage() {
    std::fprintf(
        stderr,
        "usage: tarn-device-sim (--bus DIR | --uhid) [--rate N] [--version N]\n"
        "                       [--late-answers MS] KIND...\n"
        "  KIND       wheelbase, pedals, buttonplate or buttonplate-ble (each at most once)\n"
        "  --uhid     kernel HID devices through /dev/uhid instead of a virtual bus\n"
        "  --rate N   joystick reports per second of every device (0: none)\n"
        "  --version  protocol version every device reports in its command-3 answer\n"
        "  --late-answers MS\n"
        "             every answer goes out MS milliseconds after its request; past the\n"
        "             tool's 600 ms resend, each request is answered twice\n");
}

bool parseNumber(const char* text, int& value) {
    char* end = nullptr;
    long number = std::strtol(text, &end, 0);
    if (!*text || *end || number < 0 || number > 1000000)
        return false;
    value = int(number);
    return true;
}

bool parseOptions(int argc, char* argv[], Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        bool hasValue = i + 1 < argc;
        if (argument == "--bus" && hasValue)
            options.bus = argv[++i];
        else if (argument == "--uhid")
            options.uhid = true;
        else if (argument == "--rate" && hasValue) {
            if (!parseNumber(argv[++i], options.rate))
                return false;
        } else if (argument == "--version" && hasValue) {
            if (!parseNumber(argv[++i], options.version) || options.version > 255)
                return false;
        } else if (argument == "--late-answers" && hasValue) {
            if (!parseNumber(argv[++i], options.answerDelayMs))
                return false;
        } else if (makeDeviceModel(argument))
            options.kinds.push_back(argument);
        else
            return false;
    }
    return options.bus.empty() == options.uhid && !options.kinds.empty();
}

} // namespace

int main(int argc, char* argv[]) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        printUsage();
        return 2;
    }

    // Block the stop signals before any device thread starts, so that only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::vector<std::unique_ptr<DeviceHost>> devices;
    for (const std::string& kind : options.kinds) {
        std::unique_ptr<DeviceModel> model = makeDeviceModel(kind);
        if (auto* settings = dynamic_cast<SettingsModel*>(model.get());
            settings && options.version >= 0)
            settings->protocolVersion = uint8_t(options.version);
        VirtualDeviceIdentity identity = model->identity();
        std::unique_ptr<DeviceHost> device;
        if (options.uhid)
            device = std::make_unique<UhidDevice>(std::move(model), kind);
        else
            device = std::make_unique<VirtualDevice>(options.bus, kind, std::move(model));
        if (options.rate >= 0)
            device->setJoystickRate(options.rate);
        device->setAnswerDelay(options.answerDelayMs);
        if (!device->plug()) {
            std::string reason = options.uhid ? static_cast<UhidDevice&>(*device).errorText()
                                              : options.bus + ": " + std::strerror(errno);
            std::fprintf(stderr, "tarn-device-sim: cannot plug %s in: %s\n", kind.c_str(),
                         reason.c_str());
            return 1;
        }
        std::string where = options.uhid ? std::string("/dev/uhid")
                                         : static_cast<VirtualDevice&>(*device).socketPath();
        std::printf("plugged %s: \"%s\" %04x:%04x at %s\n", kind.c_str(), identity.product.c_str(),
                    identity.vendorId, identity.productId, where.c_str());
        std::fflush(stdout);
        devices.push_back(std::move(device));
    }

    int signal = 0;
    sigwait(&stopSignals, &signal);
    for (auto& device : devices)
        device->unplug();
    std::printf("unplugged %zu device(s)\n", devices.size());
    return 0;
}
