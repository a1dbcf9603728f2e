#include "app/tarn_wheel_tool.h"
#include "ui_tarn_wheel_tool.h"

#include "app/accesstexts.h"
#include "app/devicekinds.h"
#include "app/devicepages.h"
#include "app/windowtexts.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "games/gamespage.h"
#include "usb/usbsettingsdevice.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QMetaType>
#include <QPointer>
#include <QProgressDialog>

namespace {

// How long closing waits for the devices' live updates back to their own profiles.
constexpr int kReturnTimeoutMs = 2000;

} // namespace

TARN_wheel_tool::TARN_wheel_tool(QWidget* parent, const UsbTimings& timings)
    : QMainWindow(parent)
    , ui(new Ui::TARN_wheel_tool)
    , usbManager(openTarnDevice, timings) {
    ui->setupUi(this);
    for (const DeviceKind& kind : deviceKinds()) {
        if (DevicePage* page = createDevicePage(kind.kind, *ui, telemetryLog, this))
            pages[kind.kind] = page;
    }
    // Told after the report whose row failed has been handled, not from inside its handler.
    connect(
        &telemetryLog, &TelemetryLog::writeFailed, this,
        [this](const QString& message) { QMessageBox::warning(this, tr("Logging"), message); },
        Qt::QueuedConnection);
    setUiEnabled(false);
    qRegisterMetaType<uint16_t>("uint16_t");
    qRegisterMetaType<uint8_t>("uint8_t");
    connect(&usbManager, &UsbManager::onDeviceConnected, this, &TARN_wheel_tool::onDeviceConnected);
    connect(&usbManager, &UsbManager::onDeviceDisconnected, this,
            &TARN_wheel_tool::onDeviceDisconnected);
    connect(&usbManager, &UsbManager::onDeviceInaccessible, this,
            &TARN_wheel_tool::onDeviceInaccessible);
    connect(&usbManager, &UsbManager::onInaccessibleDeviceGone, this,
            &TARN_wheel_tool::onInaccessibleDeviceGone);
    devicesLockRetry.setInterval(timings.rescanIntervalMs);
    connect(&devicesLockRetry, &QTimer::timeout, this, &TARN_wheel_tool::takeDevices);
    gamesPage = new GamesPage(*ui, systemProcessList(), this);
    connect(gamesPage, &GamesPage::selectedProfileSwitched, this,
            &TARN_wheel_tool::showSwitchedProfile);
    // A second window leaves it to the first.
    windowPresence.tryLock();
    takeDevices();
}

void TARN_wheel_tool::takeDevices() {
    // The entry that says who holds the devices has no device path.
    const int inUseEntry = ui->comboBox_UsbDevice->findData(QString());
    if (!devicesLock.tryLock()) {
        const QString text = devicesInUseEntry(devicesLock.holderText());
        if (inUseEntry < 0)
            ui->comboBox_UsbDevice->addItem(text, QString());
        else
            ui->comboBox_UsbDevice->setItemText(inUseEntry, text);
        devicesLockRetry.start();
        return;
    }
    devicesLockRetry.stop();
    if (inUseEntry >= 0)
        ui->comboBox_UsbDevice->removeItem(inUseEntry);
    usbManager.start(false);
}

TARN_wheel_tool::~TARN_wheel_tool() {
    on_comboBox_UsbDevice_currentIndexChanged(-1);
    disconnect(&usbManager, nullptr, this, nullptr);
    delete gamesPage;
    usbManager.stop();
    delete ui;
}

void TARN_wheel_tool::closeEvent(QCloseEvent* event) {
    gamesPage->returnDevices(kReturnTimeoutMs);
    QMainWindow::closeEvent(event);
}

void TARN_wheel_tool::resetProgressDialog() {
    if (!progressDialog)
        return;
    progressDialog->close();
    progressDialog->deleteLater();
    progressDialog = nullptr;
}

void TARN_wheel_tool::setUiEnabled(bool isEnabled) {
    const bool bootloader = bootloaderDevice && isEnabled;
    const bool application = settingsDevice && isEnabled;

    ui->pushButton_EnterExitBootloader->setText(bootloaderDevice ? tr("Exit Bootloader")
                                                                 : tr("Enter Bootloader"));
    ui->pushButton_UpdateFirmware->setVisible(bootloader);
    for (QWidget* widget : {static_cast<QWidget*>(ui->pushButton_LoadConfig),
                            static_cast<QWidget*>(ui->pushButton_SaveConfig),
                            static_cast<QWidget*>(ui->comboBox_ProfileName),
                            static_cast<QWidget*>(ui->pushButton_AddProfile),
                            static_cast<QWidget*>(ui->pushButton_RemoveProfile),
                            static_cast<QWidget*>(ui->pushButton_SaveProfileToFile),
                            static_cast<QWidget*>(ui->pushButton_LoadProfileFromFile)})
        widget->setEnabled(application);
    ui->pushButton_SetDefaultConfig->setEnabled(true);

    if (currentPage && isEnabled) {
        ui->settingsStackedWidget->setCurrentWidget(currentPage->widget());
        currentPage->clear();
    } else {
        ui->settingsStackedWidget->setCurrentWidget(ui->settingsEmptyPage);
    }
}

void TARN_wheel_tool::onDeviceConnected(UsbDevice* device) {
    // First: selecting a bootloader opens its file dialog, in which the device may go.
    gamesPage->deviceAttached(device);
    ui->comboBox_UsbDevice->addItem(device->productName, device->path);
    if (device->productName.contains(QLatin1String("Bootloader"), Qt::CaseSensitive)) {
        int index = ui->comboBox_UsbDevice->findText(device->productName,
                                                     Qt::MatchExactly | Qt::MatchCaseSensitive);
        ui->comboBox_UsbDevice->setCurrentIndex(index);
    } else if (!currentDevice) {
        // The selection was on a device that cannot be opened: this one can.
        ui->comboBox_UsbDevice->setCurrentIndex(ui->comboBox_UsbDevice->count() - 1);
    }
}

void TARN_wheel_tool::onDeviceInaccessible(const InaccessibleDevice& device) {
    const QString text = inaccessibleDeviceEntry(device.productName, device.error);
    int index = ui->comboBox_UsbDevice->findData(device.path);
    if (index < 0) {
        ui->comboBox_UsbDevice->addItem(text, device.path);
        index = ui->comboBox_UsbDevice->count() - 1;
    } else {
        ui->comboBox_UsbDevice->setItemText(index, text);
    }
    ui->comboBox_UsbDevice->setItemData(index, text, Qt::ToolTipRole);
}

void TARN_wheel_tool::onInaccessibleDeviceGone(const QString& path) {
    int index = ui->comboBox_UsbDevice->findData(path);
    if (index >= 0 && !usbManager.getDevice(path))
        ui->comboBox_UsbDevice->removeItem(index);
}

void TARN_wheel_tool::onDeviceDisconnected(UsbDevice* device) {
    gamesPage->deviceDetached(device);
    for (int i = ui->comboBox_UsbDevice->count() - 1; i >= 0; --i) {
        if (ui->comboBox_UsbDevice->itemData(i).toString() == device->path) {
            ui->comboBox_UsbDevice->removeItem(i);
            return;
        }
    }
}

void TARN_wheel_tool::connectCurrentDevice(bool connectSignals) {
    auto link = [connectSignals](auto* sender, auto signal, auto* receiver, auto slot) {
        if (connectSignals)
            QObject::connect(sender, signal, receiver, slot);
        else
            QObject::disconnect(sender, signal, receiver, slot);
    };
    if (currentPage)
        currentPage->setDevice(connectSignals ? settingsDevice : nullptr);
    if (bootloaderDevice) {
        link(bootloaderDevice, &UsbDeviceTarnBootloader::onFirmwareUpdateStarted, this,
             &TARN_wheel_tool::onFirmwareUpdateStarted);
        link(bootloaderDevice, &UsbDeviceTarnBootloader::onFirmwareUpdateProgress, this,
             &TARN_wheel_tool::onFirmwareUpdateProgress);
        link(bootloaderDevice, &UsbDeviceTarnBootloader::onUpdateCompleted, this,
             &TARN_wheel_tool::onFirmwareUpdateCompleted);
        link(bootloaderDevice, &UsbDeviceTarnBootloader::onUpdateFailed, this,
             &TARN_wheel_tool::onFirmwareUpdateFailed);
    }
    if (settingsDevice) {
        link(settingsDevice, &UsbSettingsDevice::onSettingsLoaded, this,
             &TARN_wheel_tool::onSettingsLoaded);
        link(settingsDevice, &UsbSettingsDevice::onSettingsLoadFailed, this,
             &TARN_wheel_tool::onSettingsLoadFailed);
    }
}

void TARN_wheel_tool::on_comboBox_UsbDevice_currentIndexChanged(int index) {
    if (currentDevice) {
        // Removing an entry before the current one moves the selection onto the same device:
        // it stays selected as it is.
        if (index != -1 && usbManager.getDevice(
                               ui->comboBox_UsbDevice->itemData(index).toString()) == currentDevice)
            return;
        setUiEnabled(false);
        connectCurrentDevice(false);
        if (bootloaderDevice)
            leaveBootloader();
        bootloaderDevice = nullptr;
        settingsDevice = nullptr;
        currentKind = nullptr;
        currentPage = nullptr;
    }
    gamesPage->setSelectedDevice(nullptr);
    if (index == -1) {
        currentDevice = nullptr;
        return;
    }
    currentDevice = usbManager.getDevice(ui->comboBox_UsbDevice->itemData(index).toString());
    if (!currentDevice)
        return;

    bootloaderDevice = qobject_cast<UsbDeviceTarnBootloader*>(currentDevice);
    currentKind = deviceKindOf(currentDevice);
    if (currentKind && pages.count(currentKind->kind)) {
        settingsDevice = qobject_cast<UsbSettingsDevice*>(currentDevice);
        currentPage = pages.at(currentKind->kind);
    }
    connectCurrentDevice(true);
    gamesPage->setSelectedDevice(settingsDevice);
    if (bootloaderDevice) {
        setUiEnabled(true);
        on_pushButton_UpdateFirmware_clicked();
    } else {
        on_pushButton_LoadConfig_clicked();
    }
}

void TARN_wheel_tool::refillProfileSelector(UsbSettingsDevice* device) {
    ui->comboBox_ProfileName->blockSignals(true);
    ui->comboBox_ProfileName->clear();
    for (int i = 0; i < device->profileCount; ++i) {
        const uint8_t* record = device->profileRecord(i);
        ui->comboBox_ProfileName->addItem(profileNameText(record), int(record[0]));
    }
    ui->comboBox_ProfileName->blockSignals(false);
}

void TARN_wheel_tool::onSettingsLoaded(UsbDevice* device) {
    UsbSettingsDevice* settings = settingsDevice;
    if (!settings || device != settings) {
        setUiEnabled(true);
        return;
    }
    refillProfileSelector(settings);
    int deviceIndex = ui->comboBox_UsbDevice->currentIndex();
    QString deviceText = ui->comboBox_UsbDevice->itemText(deviceIndex);
    if (!deviceText.contains(QLatin1String("SW version:")))
        ui->comboBox_UsbDevice->setItemText(
            deviceIndex,
            withVersionSuffix(deviceText, settings->softwareMajor(), settings->softwareMinor(),
                              settings->hardwareMajor(), settings->hardwareMinor()));
    currentPage->showLoaded();
    if (settings->profileCount > 0) {
        ui->comboBox_ProfileName->setCurrentIndex(settings->currentProfile);
        on_comboBox_ProfileName_activated(settings->currentProfile);
    }
    settings->liveUpdatesEnabled = true;
    setUiEnabled(true);
    gamesPage->selectedDeviceLoaded(settings);
}

void TARN_wheel_tool::showSwitchedProfile(int index) {
    ui->comboBox_ProfileName->setCurrentIndex(index);
    on_comboBox_ProfileName_activated(index);
}

void TARN_wheel_tool::onSettingsLoadFailed(UsbDevice* device, const QString& message) {
    QMessageBox::warning(this, device->productName, message, QMessageBox::Ok);
}

void TARN_wheel_tool::on_pushButton_LoadConfig_clicked() {
    if (!settingsDevice)
        return;
    setUiEnabled(false);
    settingsDevice->liveUpdatesEnabled = false;
    settingsDevice->loadSettings();
}

void TARN_wheel_tool::on_pushButton_SaveConfig_clicked() {
    if (settingsDevice)
        settingsDevice->saveSettings();
}

void TARN_wheel_tool::on_pushButton_SetDefaultConfig_clicked() {
    if (!bootloaderDevice && !settingsDevice)
        return;
    if (QMessageBox::warning(
            this, tr("Reset settings?"),
            tr("Are you sure you want to reset all settings and profiles? This cannot be undone."),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    if (bootloaderDevice)
        bootloaderDevice->resetToFactoryDefaults();
    else if (settingsDevice)
        settingsDevice->resetToFactoryDefaults();
}

void TARN_wheel_tool::on_pushButton_EnterExitBootloader_clicked() {
    if (bootloaderDevice)
        bootloaderDevice->exitBootloader();
    else if (settingsDevice)
        settingsDevice->enterBootloader();
}

void TARN_wheel_tool::on_pushButton_UpdateFirmware_clicked() {
    if (!bootloaderDevice)
        return;
    // The dialog runs its own event loop: the device may leave the bus while it is open, and
    // then the dialog is closed.
    QPointer<UsbDeviceTarnBootloader> device = bootloaderDevice;
    QFileDialog dialog(this, tr("Open new FW File"), QString(),
                       tr("TARN FW Files (*.fw);;All Files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    firmwareFileDialog = &dialog;
    const bool chosen = dialog.exec() == QDialog::Accepted;
    if (!chosen || !device || device != bootloaderDevice)
        return;
    const QString fileName = dialog.selectedFiles().value(0);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::information(this, tr("Unable to open file"), file.errorString());
        return;
    }
    // Refused before anything is sent (or read): nothing would be written, or more than the
    // bootloader can take.
    const QString refusal = firmwareImageRefusal(file.size());
    if (!refusal.isEmpty()) {
        QMessageBox::warning(this, tr("Not a firmware image"), refusal);
        return;
    }
    bootloaderDevice->updateFirmware(file.readAll());
}

void TARN_wheel_tool::onFirmwareUpdateStarted(int chunks) {
    resetProgressDialog();
    progressDialog = new QProgressDialog(tr("Updating firmware"), QString(), 0, chunks, this);
    progressDialog->setWindowModality(Qt::WindowModal);
    progressDialog->setCancelButton(nullptr);
    progressDialog->show();
}

void TARN_wheel_tool::onFirmwareUpdateProgress(int currentChunk) {
    if (!progressDialog)
        return;
    // Moving the bar of a modal progress dialog costs more than sending a chunk: it moves when
    // the percentage it shows changes, and at the end.
    const qint64 chunks = progressDialog->maximum();
    const qint64 shown = progressDialog->value(); // -1 before the first value
    if (shown >= 0 && currentChunk < chunks &&
        qint64(currentChunk) * 100 / chunks == shown * 100 / chunks)
        return;
    progressDialog->setValue(currentChunk);
}

// The result is shown only for an update the window started; the progress dialog goes first, so
// that a bootloader restarting meanwhile finds no update running.
void TARN_wheel_tool::onFirmwareUpdateCompleted(UsbDevice*) {
    if (!progressDialog)
        return;
    resetProgressDialog();
    QMessageBox::information(this, tr("Firmware update"), tr("Update completed successfully!"));
}

void TARN_wheel_tool::onFirmwareUpdateFailed(UsbDevice*, const QString& errorMessage) {
    if (!progressDialog)
        return;
    resetProgressDialog();
    QMessageBox::information(this, tr("Firmware update"), errorMessage);
}

void TARN_wheel_tool::leaveBootloader() {
    if (firmwareFileDialog)
        firmwareFileDialog->reject();
    if (!progressDialog)
        return;
    resetProgressDialog();
    // Said once the selector has settled: the device may be on its way out right now.
    QMetaObject::invokeMethod(this, "sayUpdateDidNotFinish", Qt::QueuedConnection);
}

void TARN_wheel_tool::sayUpdateDidNotFinish() {
    QMessageBox::warning(this, tr("Firmware update"), tr("The firmware update did not finish."));
}
