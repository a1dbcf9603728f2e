// The profile row of the main window: selecting, adding, removing and renaming the selected
// device's profiles, and saving the active one to a file or loading it from one.

#include "app/tarn_wheel_tool.h"
#include "ui_tarn_wheel_tool.h"

#include "usb/usbsettingsdevice.h"

void TARN_wheel_tool::on_comboBox_ProfileName_activated(int index) {
    UsbSettingsDevice* device = currentSettingsDevice();
    if (!device || index < 0 || index >= device->profileCount)
        return;
    device->currentProfile = uint8_t(index);
    if (wheelBaseDevice)
        showWheelBaseProfile(index);
}
