// tarnctl activate: makes a profile the active one, as choosing it in the window does.

#include "app/devicekinds.h"
#include "app/windowtexts.h"
#include "ctl/attacheddevices.h"
#include "ctl/commands.h"
#include "ctl/exitstatus.h"
#include "ctl/output.h"
#include "ctl/settingsexchange.h"
#include "usb/usbsettingsdevice.h"

namespace {

// The profile `name` stands for: an exact name first, else an index; -1 for none.
int profileNamed(UsbSettingsDevice& device, const QString& name) {
    for (int i = 0; i < device.profileCount; ++i) {
        if (profileNameText(device.profileRecord(i)) == name)
            return i;
    }
    bool isNumber = false;
    const int index = name.toInt(&isNumber);
    return isNumber && index >= 0 && index < device.profileCount ? index : -1;
}

} // namespace

int activateProfile(AttachedDevices& attached, const Arguments& arguments) {
    if (arguments.operands.size() != 2)
        return fail(ExitStatus::Usage, QStringLiteral("activate takes DEVICE and PROFILE; see "
                                                      "tarnctl activate --help"));
    const NamedDevice named = attached.findLoadedSettings(arguments.operands[0]);
    if (!named.settings)
        return fail(named.status, named.message);
    UsbSettingsDevice* device = named.settings;
    const int index = profileNamed(*device, arguments.operands[1]);
    if (index < 0)
        return fail(ExitStatus::Missing, QStringLiteral("%1 has no profile \"%2\"")
                                             .arg(device->productName, arguments.operands[1]));
    device->currentProfile = uint8_t(index);
    const QString error = applyProfileList(*device, arguments.has(QStringLiteral("--save")));
    if (!error.isEmpty())
        return fail(ExitStatus::Failed, error);
    printLine(QStringLiteral("%1: profile %2 \"%3\" is active%4.")
                  .arg(device->productName)
                  .arg(index)
                  .arg(profileNameText(device->profileRecord(index)),
                       arguments.has(QStringLiteral("--save"))
                           ? QStringLiteral(" and saved in the device")
                           : QString()));
    return ExitStatus::Done;
}
