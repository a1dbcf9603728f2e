#include "ctl/gameprofilewatch.h"

#include "app/devicekinds.h"
#include "ctl/attacheddevices.h"
#include "ctl/output.h"
#include "games/deviceswitchtarget.h"
#include "games/gamerules.h"
#include "usb/usbsettingsdevice.h"

namespace {

QString windowOpenText() {
    return QStringLiteral("tarn-config is open: it has the devices until it closes");
}

} // namespace

GameProfileWatch::GameProfileWatch(AttachedDevices& attached)
    : attached(attached)
    , games(systemProcessList()) {
    connect(&games, &GameWatch::gameStarted, this, [this](const GameRule& rule) {
        printLine(QStringLiteral("%1 started").arg(rule.name));
        switcher.gameStarted(rule.name, rule.profiles);
    });
    connect(&games, &GameWatch::gameEnded, this, [this](const GameRule& rule) {
        printLine(QStringLiteral("%1 ended").arg(rule.name));
        switcher.gameEnded(rule.name);
    });
    connect(&switcher, &GameSwitcher::switched, this, &printLine);
    connect(&switcher, &GameSwitcher::problem, this, &printErrorLine);
    UsbManager& manager = attached.usbManager();
    connect(&manager, &UsbManager::onDeviceConnected, this, &GameProfileWatch::adopt);
    connect(&manager, &UsbManager::onDeviceDisconnected, this, &GameProfileWatch::drop);
    lookTimer.setInterval(kLookIntervalMs);
    connect(&lookTimer, &QTimer::timeout, this, [this] {
        readRulesWhenChanged();
        yieldToWindow();
    });
}

GameProfileWatch::~GameProfileWatch() {
    // The devices close after this object: no signal of theirs may reach it any more.
    disconnect(&attached.usbManager(), nullptr, this, nullptr);
}

void GameProfileWatch::start() {
    for (UsbDevice* device : attached.devices())
        adopt(device);
    readRulesWhenChanged();
    games.start();
    lookTimer.start();
    // Started while a window holds the devices, it waits for the window to close.
    if (!attached.holdsDevices()) {
        yielded = true;
        printLine(windowOpenText());
    }
}

bool GameProfileWatch::stop(int timeoutMs) {
    lookTimer.stop();
    games.stop();
    return returnDevices(timeoutMs);
}

bool GameProfileWatch::returnDevices(int timeoutMs) {
    switcher.setEnabled(false);
    return waitUntil([this] { return !targets.anyUpdating(); }, timeoutMs);
}

void GameProfileWatch::adopt(UsbDevice* device) {
    auto* settings = qobject_cast<UsbSettingsDevice*>(device);
    const DeviceKind* kind = deviceKindOf(device);
    if (!settings || !kind)
        return;
    connect(settings, &UsbSettingsDevice::onSettingsLoaded, this,
            [this, settings, kind] { targets.add(*settings, *kind); });
    connect(settings, &UsbSettingsDevice::onSettingsLoadFailed, this,
            [settings](UsbDevice*, const QString& message) {
                printErrorLine(
                    QStringLiteral("%1 failed to load: %2").arg(settings->productName, message));
            });
    settings->liveUpdatesEnabled = false;
    settings->loadSettings();
}

void GameProfileWatch::drop(UsbDevice* device) {
    targets.remove(device);
}

void GameProfileWatch::readRulesWhenChanged() {
    const QString path = gameRulesPath();
    if (!rulesChange.changed(path))
        return;
    GameRulesFile file;
    const QString error = file.load(path);
    if (!error.isEmpty())
        printErrorLine(error);
    for (const GameRuleError& fault : file.errors())
        printErrorLine(gameRuleErrorText(fault));
    games.setRules(file.rules());
    const int count = file.rules().size();
    printLine(QStringLiteral("%1 game rule%2 from %3")
                  .arg(count)
                  .arg(count == 1 ? QString() : QStringLiteral("s"), path));
}

void GameProfileWatch::yieldToWindow() {
    const bool windowOpen = WindowPresenceLock::isHeldByAWindow();
    if (windowOpen && !yielded) {
        yielded = true;
        // The window takes the profiles the devices hold for their own: each gets its own back
        // first. Nothing is switched until the devices are taken back.
        returnDevices(kReturnTimeoutMs);
        attached.release();
        printLine(windowOpenText());
    } else if (!windowOpen && yielded && attached.take()) {
        yielded = false;
        switcher.setEnabled(true);
        printLine(QStringLiteral("tarn-config has closed: switching the profiles again"));
    }
}
