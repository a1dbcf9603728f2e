// tarn-config: the configuration tool of the TARN wheel base, pedals and button plate.
// With --has-usb-device as its first argument it only probes the bus once and says whether a
// device of the family is attached.

#include "app/accesstexts.h"
#include "app/devicekinds.h"
#include "app/tarn_wheel_tool.h"
#include "usb/usbmanager.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

namespace {

int probeForDevice() {
    UsbManager manager(openTarnDevice);
    const bool found = manager.rescanForTarnDevices();
    // Standard output keeps its one line for scripts; a device that is there but cannot be
    // opened, and the fix, are told on standard error.
    for (const InaccessibleDevice& device : manager.getInaccessibleDevices())
        std::fprintf(stderr, "%s\n",
                     inaccessibleDeviceLine(device.productName, device.path, device.error)
                         .toLocal8Bit()
                         .constData());
    if (found) {
        std::printf("Found TARN USB device.\n");
        return 0;
    }
    std::printf("No TARN USB device found.\n");
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && std::strcmp(argv[1], "--has-usb-device") == 0)
        return probeForDevice();

    Q_INIT_RESOURCE(tarnconfig);
    QApplication application(argc, argv);
    application.setWindowIcon(QIcon(QStringLiteral(":/tarn-config.png")));
    int result;
    {
        TARN_wheel_tool window;
        window.show();
        result = application.exec();
    }
    return result;
}
