#include "games/gamespage.h"
#include "ui_tarn_wheel_tool.h"

#include "app/devicekinds.h"
#include "games/deviceswitchtarget.h"
#include "usb/usbsettingsdevice.h"

#include <QDir>
#include <QEventLoop>
#include <QHeaderView>

GamesPage::GamesPage(Ui::TARN_wheel_tool& ui, std::unique_ptr<ProcessList> processes,
                     QObject* parent)
    : QObject(parent)
    , ui(ui)
    , watch(std::move(processes))
    , rulesPath(gameRulesPath()) {
    ui.tableView_GameRules->setModel(&model);
    ui.tableView_GameRules->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui.tableView_GameRules->verticalHeader()->hide();
    connect(&model, &GameRulesModel::rulesEdited, this, &GamesPage::saveRules);

    const auto canAdd = [&ui] {
        ui.pushButton_AddGameRule->setEnabled(!ui.lineEdit_GameName->text().trimmed().isEmpty() &&
                                              !ui.lineEdit_GameProcess->text().trimmed().isEmpty());
    };
    canAdd();
    connect(ui.lineEdit_GameName, &QLineEdit::textChanged, this, canAdd);
    connect(ui.lineEdit_GameProcess, &QLineEdit::textChanged, this, canAdd);
    connect(ui.lineEdit_GameProcess, &QLineEdit::returnPressed, this, &GamesPage::addRule);
    connect(ui.pushButton_AddGameRule, &QPushButton::clicked, this, &GamesPage::addRule);
    connect(ui.pushButton_RemoveGameRule, &QPushButton::clicked, this, &GamesPage::removeRule);

    connect(ui.checkBox_GameSwitching, &QCheckBox::toggled, this, [this](bool on) {
        switcher.setEnabled(on);
        if (on)
            loadNamedDevices();
        showState();
    });
    connect(&watch, &GameWatch::gameStarted, this, [this](const GameRule& rule) {
        switcher.gameStarted(rule.name, rule.profiles);
        loadNamedDevices();
        showState();
    });
    connect(&watch, &GameWatch::gameEnded, this, [this](const GameRule& rule) {
        switcher.gameEnded(rule.name);
        showState();
    });
    connect(&switcher, &GameSwitcher::switched, ui.statusbar,
            [&ui](const QString& text) { ui.statusbar->showMessage(text); });
    connect(&switcher, &GameSwitcher::problem, ui.statusbar,
            [&ui](const QString& text) { ui.statusbar->showMessage(text); });

    rulesLook.setInterval(kRulesLookIntervalMs);
    connect(&rulesLook, &QTimer::timeout, this, &GamesPage::readRulesWhenChanged);
    readRulesWhenChanged();
    rulesLook.start();
    watch.start();
    showState();
}

GamesPage::~GamesPage() = default;

void GamesPage::deviceAttached(UsbDevice* device) {
    auto* settings = qobject_cast<UsbSettingsDevice*>(device);
    if (!settings || !deviceKindOf(device))
        return;
    attached[device] = settings;
    // Loaded here, or by the window while it was selected: the selected device is the window's,
    // which says when it has loaded it.
    connect(settings, &UsbSettingsDevice::onSettingsLoaded, this, [this, settings] {
        loading.remove(settings);
        if (settings != selected && !targets.find(settings))
            makeReady(settings);
    });
    connect(settings, &UsbSettingsDevice::onSettingsLoadFailed, this,
            [this, settings](UsbDevice*, const QString& message) {
                if (loading.remove(settings))
                    ui.statusbar->showMessage(
                        tr("%1 failed to load: %2").arg(settings->productName, message));
            });
    // Once the window has chosen whether to select it: then it loads the device itself.
    QMetaObject::invokeMethod(this, "loadNamedDevices", Qt::QueuedConnection);
}

void GamesPage::deviceDetached(UsbDevice* device) {
    attached.erase(device);
    loading.remove(device);
    if (selected == device)
        selected = nullptr;
    if (targets.remove(device))
        showState();
}

void GamesPage::setSelectedDevice(UsbSettingsDevice* device) {
    selected = device;
}

void GamesPage::selectedDeviceLoaded(UsbSettingsDevice* device) {
    loading.remove(device);
    DeviceSwitchTarget* target = targets.find(device);
    if (!target) {
        makeReady(device);
        return;
    }
    // Loading again reads the active index the device holds; a switch made while the load ran
    // was not sent, and is made again.
    const int index = target->profileNames().indexOf(switcher.deviceSwitch(target).profile);
    if (index >= 0 && index != target->activeProfile())
        target->activateProfile(index);
    showState();
}

void GamesPage::profileChosen(UsbSettingsDevice* device, int index) {
    if (DeviceSwitchTarget* target = targets.find(device)) {
        switcher.profileChosen(target, index);
        showState();
    }
}

bool GamesPage::returnDevices(int timeoutMs) {
    rulesLook.stop();
    watch.stop();
    switcher.setEnabled(false);
    if (!targets.anyUpdating())
        return true;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(timeoutMs);
    for (const auto& entry : targets.all()) {
        connect(entry.second.get(), &DeviceSwitchTarget::updated, &loop, [&] {
            if (!targets.anyUpdating())
                loop.quit();
        });
    }
    loop.exec();
    return !targets.anyUpdating();
}

void GamesPage::addRule() {
    const QString name = ui.lineEdit_GameName->text().trimmed();
    const QString match = ui.lineEdit_GameProcess->text().trimmed();
    if (name.isEmpty() || match.isEmpty())
        return;
    const int row = model.addRule(name, match);
    if (row < 0) {
        ui.statusbar->showMessage(tr("There is a rule for %1 already").arg(name));
        return;
    }
    ui.lineEdit_GameName->clear();
    ui.lineEdit_GameProcess->clear();
    // The profiles come next: the wheel base's cell opens for editing.
    const QModelIndex profile = model.index(row, GameRulesModel::FirstKindColumn);
    ui.tableView_GameRules->setCurrentIndex(profile);
    ui.tableView_GameRules->edit(profile);
}

void GamesPage::removeRule() {
    model.removeRule(ui.tableView_GameRules->currentIndex().row());
}

// Every edit is written at once. A file that could not be read is never written over.
void GamesPage::saveRules() {
    watch.setRules(model.rules());
    QString error = rulesLoadError;
    if (error.isEmpty()) {
        rulesFile.setRules(model.rules());
        error = rulesFile.save(rulesPath);
        rulesChange.taken(rulesPath);
    }
    if (!error.isEmpty())
        ui.statusbar->showMessage(tr("The games' rules were not saved: %1").arg(error));
    showRulesFile(error);
}

// Changes made by hand while the window is open are taken over, so that the next edit here does
// not write over them.
void GamesPage::readRulesWhenChanged() {
    if (!rulesChange.changed(rulesPath))
        return;
    GameRulesFile file;
    rulesLoadError = file.load(rulesPath);
    rulesFile = file;
    model.setRules(file.rules());
    watch.setRules(file.rules());
    showRulesFile(rulesLoadError);
    // Said where it is seen from any tab; the Games tab lists every fault.
    QString fault = rulesLoadError;
    if (fault.isEmpty() && !file.errors().isEmpty())
        fault = gameRuleErrorText(file.errors().first());
    if (!fault.isEmpty())
        ui.statusbar->showMessage(fault);
}

void GamesPage::showRulesFile(const QString& error) {
    QStringList lines{tr("Rules file: %1").arg(QDir::toNativeSeparators(rulesPath))};
    if (!error.isEmpty())
        lines.append(error);
    for (const GameRuleError& fault : rulesFile.errors())
        lines.append(gameRuleErrorText(fault));
    ui.label_GameRulesFile->setText(lines.join('\n'));
}

void GamesPage::loadNamedDevices() {
    for (const auto& entry : attached) {
        UsbSettingsDevice* device = entry.second;
        if (device == selected || targets.find(device) || loading.contains(device))
            continue;
        const QString kind = QLatin1String(deviceKindOf(device)->name);
        for (const GameRule& rule : watch.runningGames()) {
            if (!rule.profiles.value(kind).isEmpty()) {
                loading.insert(device);
                device->liveUpdatesEnabled = false;
                device->loadSettings();
                break;
            }
        }
    }
}

void GamesPage::makeReady(UsbSettingsDevice* device) {
    DeviceSwitchTarget& target = targets.add(*device, *deviceKindOf(device));
    connect(&target, &DeviceSwitchTarget::activated, this, [this, device](int index) {
        if (device == selected)
            emit selectedProfileSwitched(index);
    });
    showState();
}

void GamesPage::showState() {
    QStringList running;
    for (const GameRule& rule : watch.runningGames())
        running.append(rule.name);
    ui.label_RunningGame->setText(running.isEmpty()
                                      ? tr("No game is running")
                                      : tr("Running: %1").arg(running.join(QLatin1String(", "))));
    QStringList lines;
    for (const auto& entry : targets.all()) {
        const DeviceSwitchTarget& target = *entry.second;
        const GameSwitcher::DeviceSwitch state = switcher.deviceSwitch(&target);
        const QString own = target.profileNames().value(target.activeProfile());
        lines.append(
            state.game.isEmpty()
                ? tr("%1: its own profile \"%2\"").arg(target.productName(), own)
                : tr("%1: \"%2\" for %3").arg(target.productName(), state.profile, state.game));
    }
    lines.sort();
    ui.label_GameSwitches->setText(lines.join('\n'));
}
