// The profile row of the main window: selecting, adding, removing and renaming the selected
// device's profiles, and saving the active one to a file or loading it from one.

#include "app/tarn_wheel_tool.h"
#include "ui_tarn_wheel_tool.h"

#include "app/windowtexts.h"
#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "pedals/usbdevicetarnpedals.h"
#include "profiles/deviceprofilesmanagers.h"
#include "profiles/profilelist.h"
#include "usb/usbsettingsdevice.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>

#include <type_traits>

namespace {
const char* const kProfileFileFilter =
    QT_TRANSLATE_NOOP("TARN_wheel_tool", "TARN Profile Files (*.tprf)");

template <typename Device> using ProfileOf = std::remove_reference_t<decltype(Device::profiles[0])>;

template <typename Manager, typename Device>
QString saveActiveProfile(Device& device, const QString& fileName) {
    return Manager().saveToFile(fileName, device.profiles[device.currentProfile]);
}

template <typename Manager, typename Device>
QString loadActiveProfile(Device& device, const QString& fileName) {
    ProfileOf<Device> loaded{};
    QString error = Manager().loadFromFile(fileName, loaded);
    if (error.isEmpty())
        device.replaceActiveProfile(loaded);
    return error;
}
} // namespace

void TARN_wheel_tool::on_comboBox_ProfileName_activated(int index) {
    UsbSettingsDevice* device = currentSettingsDevice();
    if (!device || index < 0 || index >= device->profileCount)
        return;
    device->currentProfile = uint8_t(index);
    if (wheelBaseDevice)
        showWheelBaseProfile(index);
}

void TARN_wheel_tool::on_comboBox_ProfileName_currentTextChanged(const QString& text) {
    UsbSettingsDevice* device = currentSettingsDevice();
    QComboBox* selector = ui->comboBox_ProfileName;
    // Choosing another item changes the text before the item is activated: only an edit of the
    // active profile's own item is a rename.
    if (!device || device->currentProfile >= device->profileCount ||
        selector->currentIndex() != device->currentProfile)
        return;
    const QByteArray name = text.toUtf8();
    storeProfileName(device->profileRecord(device->currentProfile), name.constData(),
                     size_t(name.size()));
    // Updating the item rewrites the editor's text; keep the cursor where the user is typing.
    QLineEdit* editor = selector->lineEdit();
    const int cursor = editor ? editor->cursorPosition() : 0;
    selector->setItemText(selector->currentIndex(), text);
    if (editor)
        editor->setCursorPosition(cursor);
}

void TARN_wheel_tool::on_pushButton_AddProfile_clicked() {
    if (UsbSettingsDevice* device = currentSettingsDevice())
        device->addProfile();
}

void TARN_wheel_tool::on_pushButton_RemoveProfile_clicked() {
    if (UsbSettingsDevice* device = currentSettingsDevice())
        device->removeActiveProfile();
}

void TARN_wheel_tool::on_pushButton_SaveProfileToFile_clicked() {
    if (!currentSettingsDevice())
        return;
    const QPointer<UsbDevice> asked = currentDevice;
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Save Profile File"), QStringLiteral("."), tr(kProfileFileFilter));
    // The dialog runs an event loop, in which the device may have been unplugged.
    if (!asked || asked != currentDevice)
        return;
    QString error;
    if (wheelBaseDevice)
        error = saveActiveProfile<WheelBaseProfilesManager>(*wheelBaseDevice, fileName);
    else if (pedalsDevice)
        error = saveActiveProfile<PedalsProfilesManager>(*pedalsDevice, fileName);
    else
        error = saveActiveProfile<ButtonPlateProfilesManager>(*buttonPlateDevice, fileName);
    if (!error.isEmpty())
        QMessageBox::information(this, tr("Unable to save file"), error, QMessageBox::Ok);
}

void TARN_wheel_tool::on_pushButton_LoadProfileFromFile_clicked() {
    if (!currentSettingsDevice())
        return;
    const QPointer<UsbDevice> asked = currentDevice;
    const QString fileName = QFileDialog::getOpenFileName(
        this, tr("Open Profile File"), QStringLiteral("."), tr(kProfileFileFilter));
    // The dialog runs an event loop, in which the device may have been unplugged.
    if (!asked || asked != currentDevice)
        return;
    QString error;
    if (wheelBaseDevice)
        error = loadActiveProfile<WheelBaseProfilesManager>(*wheelBaseDevice, fileName);
    else if (pedalsDevice)
        error = loadActiveProfile<PedalsProfilesManager>(*pedalsDevice, fileName);
    else
        error = loadActiveProfile<ButtonPlateProfilesManager>(*buttonPlateDevice, fileName);
    if (!error.isEmpty()) {
        QMessageBox::information(this, tr("Unable to read file"), error, QMessageBox::Ok);
        return;
    }
    // Showing the profile writes it back through the page and so starts the live update; the
    // new name then renames the selector's item and reaches the device with that same update.
    UsbSettingsDevice* device = currentSettingsDevice();
    on_comboBox_ProfileName_activated(device->currentProfile);
    ui->comboBox_ProfileName->setCurrentText(
        profileNameText(device->profileRecord(device->currentProfile)));
}
