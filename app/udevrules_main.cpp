// tarn-udev-rules: prints the udev rules that give the user at the seat read/write access to the
// hidraw nodes of every device of the family. Install with
//   tarn-udev-rules | sudo tee /etc/udev/rules.d/70-tarn.rules && sudo udevadm trigger

#include "usb/devicetable.h"

#include <cstdio>

int main() {
    std::fputs(tarnUdevRules().toUtf8().constData(), stdout);
    return 0;
}
