// The profile row of the main window: selecting, adding, removing and renaming the selected
// device's profiles, and saving the active one to a file or loading it from one.

#include "app/tarn_wheel_tool.h"
#include "ui_tarn_wheel_tool.h"

#include "app/devicekinds.h"
#include "app/windowtexts.h"
#include "games/gamespage.h"
#include "profiles/profilelist.h"
#include "usb/usbsettingsdevice.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>

namespace {
const char* const kProfileFileFilter =
    QT_TRANSLATE_NOOP("TARN_wheel_tool", "TARN Profile Files (*.tprf)");
} // namespace

void TARN_wheel_tool::on_comboBox_ProfileName_activated(int index) {
    UsbSettingsDevice* device = settingsDevice;
    if (!device || index < 0 || index >= device->profileCount)
        return;
    device->currentProfile = uint8_t(index);
    currentPage->showProfile(index);
    gamesPage->profileChosen(device, index);
}

void TARN_wheel_tool::on_comboBox_ProfileName_currentTextChanged(const QString& text) {
    UsbSettingsDevice* device = settingsDevice;
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
    if (settingsDevice)
        settingsDevice->addProfile();
}

void TARN_wheel_tool::on_pushButton_RemoveProfile_clicked() {
    if (settingsDevice)
        settingsDevice->removeActiveProfile();
}

void TARN_wheel_tool::on_pushButton_SaveProfileToFile_clicked() {
    if (!settingsDevice)
        return;
    const QPointer<UsbDevice> asked = currentDevice;
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Save Profile File"), QStringLiteral("."), tr(kProfileFileFilter));
    // The dialog runs an event loop, in which the device may have been unplugged.
    if (!asked || asked != currentDevice)
        return;
    const QString error =
        currentKind->saveProfileFile(*settingsDevice, settingsDevice->currentProfile, fileName);
    if (!error.isEmpty())
        QMessageBox::information(this, tr("Unable to save file"), error, QMessageBox::Ok);
}

void TARN_wheel_tool::on_pushButton_LoadProfileFromFile_clicked() {
    if (!settingsDevice)
        return;
    const QPointer<UsbDevice> asked = currentDevice;
    const QString fileName = QFileDialog::getOpenFileName(
        this, tr("Open Profile File"), QStringLiteral("."), tr(kProfileFileFilter));
    // The dialog runs an event loop, in which the device may have been unplugged.
    if (!asked || asked != currentDevice)
        return;
    const QString error = currentKind->loadProfileFile(*settingsDevice, fileName);
    if (!error.isEmpty()) {
        QMessageBox::information(this, tr("Unable to read file"), error, QMessageBox::Ok);
        return;
    }
    // Showing the profile writes it back through the page and so starts the live update; the
    // new name then renames the selector's item and reaches the device with that same update.
    on_comboBox_ProfileName_activated(settingsDevice->currentProfile);
    ui->comboBox_ProfileName->setCurrentText(
        profileNameText(settingsDevice->profileRecord(settingsDevice->currentProfile)));
}
