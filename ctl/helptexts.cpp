#include "ctl/helptexts.h"

#include <QMap>

namespace {

const char* const kExitStatus = R"(Exit status:
  0   done
  1   usage error: unknown command, bad argument, ambiguous device
  2   what was named is not there: device, profile or file
  3   no access to a device (the fix is printed on standard error)
  4   the device or a file refused or failed: load failed, transfer failed,
      checksum or CRC failed, no answer, interrupted
  5   the devices are in use by another program (tarn-config or another tarnctl)
)";

const char* const kDevice =
    R"(DEVICE is a kind (wheelbase, pedals, buttonplate, bootloader), or a device's serial
number when two devices of that kind are attached.
)";

} // namespace

QString programHelp() {
    return QString::fromUtf8(R"(Usage: tarnctl COMMAND [ARGUMENT...] [OPTION...]
Configure the TARN Torvane wheel base, pedals and button plate from a terminal or a script:
list the attached devices and their profiles, make a profile active, back up and restore
profiles, update firmware, and follow the games with the devices' profiles.

Commands:
  list [--json]                  every attached device, its versions and its profiles
  activate DEVICE PROFILE [--save]
                                 make a profile (name or index) the active one
  backup DIR                     every profile of every device into .tprf files in DIR
  restore DEVICE FILE... [--save]
                                 replace a device's profiles with those of the files
  flash DEVICE FILE              update a device's firmware from FILE
  watch                          switch each device to the running game's profile

Options:
  --help                         this help; "tarnctl COMMAND --help" for a command's
  --version                      the program's version

)") + QString::fromUtf8(kDevice) +
           QString::fromUtf8(R"(
tarnctl talks to the devices the tool tarn-config sees: the system's HID devices, or the
virtual bus named by the environment variable TARN_HID_BUS. Only one program talks to the
devices at a time: while tarn-config runs, tarnctl exits with status 5.

)") + QString::fromUtf8(kExitStatus) +
           QString::fromUtf8(R"(
Examples:
  tarnctl activate wheelbase Rally      make the wheel base's profile "Rally" active
  tarnctl backup ~/tarn-profiles        back up every profile of every device
  tarnctl flash wheelbase base-2.8.fw   update the wheel base's firmware
)");
}

QString commandHelp(const QString& command) {
    static const QMap<QString, const char*> texts = {
        {QStringLiteral("list"), R"(Usage: tarnctl list [--json]
Lists every attached device of the family: its kind, product, serial number, path, hardware
and software versions (major.minor), its profiles (index and name) and which one is active
(marked *). A device that is attached but cannot be opened is listed with the reason and the
fix; the status is then 3.

  --json   one JSON object: {"devices": [{"kind", "product", "serial", "path", "access",
           "hardware", "software", "active", "profiles": [{"index", "name"}]}]}; a device
           that cannot be opened has "access": "denied", its "reason" and "fix", and no
           versions or profiles
)"},
        {QStringLiteral("activate"), R"(Usage: tarnctl activate DEVICE PROFILE [--save]
Makes PROFILE the device's active profile, exactly as choosing it in tarn-config does: the
device gets its profile list with the new active index in one live update.

PROFILE is a profile's exact name, or its index.
  --save   then keeps the list in the device, so that it stays after a restart
)"},
        {QStringLiteral("backup"), R"(Usage: tarnctl backup DIR
Writes every profile of every attached device into DIR (made when missing) as a .tprf file,
the format tarn-config saves and loads, named KIND-SERIAL-INDEX-NAME.tprf: the index in two
digits, and any character of the serial or the name other than letters, digits, ".", "_"
and "-" written as "_". It never overwrites: when any of the files exists already, it writes
none and names them. A device that cannot be opened is named with the fix, the others are
backed up, and the status is 3; with no device that has profiles attached, it is 2.
)"},
        {QStringLiteral("restore"), R"(Usage: tarnctl restore DEVICE FILE... [--save]
Replaces the device's profile list with the profiles of the files, in the order given: they
are numbered from 0 and the first one is active. Files of the current format and of the
device's older ones are read, as tarn-config does. The device gets the new list in one live
update.

Before anything is replaced, the device's current list is backed up into a new folder
named after the time under the user's data folder ($XDG_DATA_HOME/tarn-config/backups);
tarnctl prints where. A file of another kind of device, a file with a bad checksum, a file
that is no profile, or more files than the device holds profiles: nothing is sent.
  --save   then keeps the list in the device, so that it stays after a restart
)"},
        {QStringLiteral("flash"), R"(Usage: tarnctl flash DEVICE FILE
Updates the device's firmware with the image in FILE. An image that is empty, too large or
unreadable is refused before anything is sent. The device is restarted into its bootloader,
the image is sent chunk by chunk with a progress line (a line per 10 % when the output is no
terminal), and once the device is back its software version before and after is printed.
DEVICE "bootloader" updates a device that is in its bootloader already.

Interrupted (Ctrl-C) or failed, the device waits in its bootloader: run
"tarnctl flash bootloader FILE" to finish.
)"},
        {QStringLiteral("watch"), R"(Usage: tarnctl watch
Runs until interrupted (Ctrl-C, or SIGTERM when it runs as the systemd user unit
tarnctl-watch.service). When a game of the rules file starts, each attached device whose kind
the game's rule names switches to that profile, live, as "tarnctl activate" does without
--save; when the game ends, the device goes back to its own profile. The game started last
wins while several run. A device plugged in while a game runs gets the game's profile.

The rules are read from $XDG_CONFIG_HOME/tarn-config/games.ini (~/.config/tarn-config), and
read again when the file changes. One section a game: "match" is the game's process name, or its .exe name for Wine and Proton games, in any
case; "wheelbase", "pedals" and "buttonplate" name a profile of that device:

  [Assetto Corsa Competizione]
  match = AC2-Win64-Shipping.exe
  wheelbase = GT3
  pedals = Hard brake

A malformed rule is named with its line on standard error and left out; the rest still work.
While tarn-config is open, watch gives the devices up to it, each with its own profile back,
and takes them again once the window has closed. Interrupted, it returns every device to its own profile; interrupted again,
it ends at once.
)"},
    };
    const auto found = texts.constFind(command);
    if (found == texts.constEnd())
        return QString();
    QString text = QString::fromUtf8(found.value());
    if (text.contains(QLatin1String("DEVICE")))
        text += QLatin1Char('\n') + QString::fromUtf8(kDevice);
    return text + QLatin1Char('\n') + QString::fromUtf8(kExitStatus);
}

QString versionText() {
    return QStringLiteral("tarnctl " TARN_VERSION);
}
