// The profile-file loaders of the three device kinds; byte 0 chooses the kind, the rest is the
// file. A file that loads is saved, and the saved file must load as the same record.

#include "buttonplate/buttonplateprofilefiles.h"
#include "pedals/pedalsprofilefiles.h"
#include "wheelbase/wheelbaseprofilefiles.h"

#include <QBuffer>
#include <QTemporaryDir>

namespace {
// Records are compared byte for byte: a float field may hold a NaN, equal to nothing.
template <class Profile> QByteArray bytesOf(const Profile& profile) {
    return QByteArray(reinterpret_cast<const char*>(&profile), int(sizeof profile));
}

template <class Manager, class Profile> void loadSaveAndReload(QByteArray file) {
    static QTemporaryDir directory;
    const QString saved = directory.filePath(QStringLiteral("saved.tprf"));
    Manager manager;
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    Profile loaded{};
    Profile reloaded{};
    if (manager.loadFromDevice(buffer, loaded).isEmpty() &&
        (!manager.saveToFile(saved, loaded).isEmpty() ||
         !manager.loadFromFile(saved, reloaded).isEmpty() || bytesOf(loaded) != bytesOf(reloaded)))
        __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static void (*const loaders[])(QByteArray) = {
        loadSaveAndReload<WheelBaseProfilesManager, TarnUsbWheelBaseProfileV5>,
        loadSaveAndReload<PedalsProfilesManager, TarnUsbPedalsProfileV2>,
        loadSaveAndReload<ButtonPlateProfilesManager, TarnUsbBleButtonPlateProfile>};
    if (size > 0)
        loaders[data[0] % 3](QByteArray(reinterpret_cast<const char*>(data + 1), int(size - 1)));
    return 0;
}
