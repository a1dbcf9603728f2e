// The games compatibility key over a fake registry and a fake elevated interpreter: presence,
// the button's outcomes and texts, the exact command lines; and the row on the wheel-base page.

#include "app/tarn_wheel_tool.h"
#include "tests/support/dialogscript.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/windowlookup.h"
#include "wheelbase/gamescompatibilitykey.h"
#include "wheelbase/gameskeyrow.h"
#include "wheelbase/gameskeytexts.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <map>
#include <memory>
#include <tuple>

Q_DECLARE_METATYPE(GamesKeyOutcome)

namespace {

constexpr int kLoadTimeoutMs = 10000;

const std::wstring kUserKey = L"System\\CurrentControlSet\\Control\\MediaProperties\\"
                              L"PrivateProperties\\Joystick\\OEM\\VID_0483&PID_A355";
const std::wstring kMachineKey = L"SYSTEM\\CurrentControlSet\\Control\\MediaProperties\\"
                                 L"PrivateProperties\\Joystick\\OEM\\VID_0483&PID_A355";
const QByteArray kCarController = QByteArray::fromHex("4000000000000000");
const QByteArray kMissing;

const QString kQuotedValue = QStringLiteral("\"4000000000000000\"");
const QString kInstall =
    QStringLiteral("/c REG ADD HKLM\\SYSTEM\\CurrentControlSet\\Control\\MediaProperties\\"
                   "PrivateProperties\\Joystick\\OEM\\VID_0483^&PID_A355 /v OEMData /t "
                   "REG_BINARY /d ") +
    kQuotedValue +
    QStringLiteral(" /f && REG ADD HKCU\\System\\CurrentControlSet\\Control\\MediaProperties\\"
                   "PrivateProperties\\Joystick\\OEM\\VID_0483^&PID_A355 /v OEMData /t "
                   "REG_BINARY /d ") +
    kQuotedValue + QStringLiteral(" /f");
const QString kUninstall =
    QStringLiteral("/c REG DELETE HKLM\\SYSTEM\\CurrentControlSet\\Control\\MediaProperties\\"
                   "PrivateProperties\\Joystick\\OEM\\VID_0483^&PID_A355 /v OEMData /f && echo "
                   "HKEY_CURRENT_USER\\System\\CurrentControlSet\\Control\\MediaProperties\\"
                   "PrivateProperties\\Joystick\\OEM\\VID_0483^&PID_A355 [7] ") +
    QStringLiteral(">> \"TmpKeyPermx.txt\"") +
    QStringLiteral(" && regini TmpKeyPermx.txt && del TmpKeyPermx.txt && REG DELETE "
                   "HKCU\\System\\CurrentControlSet\\Control\\MediaProperties\\"
                   "PrivateProperties\\Joystick\\OEM\\VID_0483^&PID_A355 /v OEMData /f");

// Binary values by root, key and name; the elevated interpreter runs exactly the install and
// uninstall lines, unless the user refuses the elevation.
class FakePlatform : public GamesKeyPlatform {
public:
    bool hasRegistry() const override { return true; }

    bool readBinaryValue(RegistryRoot root, const std::wstring& subKey, const std::wstring& name,
                         RegistryBinaryValue& value) override {
        value.fill(0);
        const auto found = values.find({root, subKey, name});
        if (found == values.end() || size_t(found->second.size()) > value.size())
            return false;
        std::copy(found->second.begin(), found->second.end(), value.begin());
        return true;
    }

    void runElevated(const std::wstring& parameters) override {
        const QString line = QString::fromStdWString(parameters);
        runs << line;
        if (refuse)
            return;
        if (line == kInstall) {
            set(kCarController, kCarController);
        } else if (line == kUninstall) {
            set(kMissing, kMissing);
        }
    }

    void set(const QByteArray& user, const QByteArray& machine) {
        setValue(RegistryRoot::CurrentUser, kUserKey, user);
        setValue(RegistryRoot::LocalMachine, kMachineKey, machine);
    }

    bool refuse = false;
    QStringList runs;

private:
    void setValue(RegistryRoot root, const std::wstring& key, const QByteArray& value) {
        if (value.isNull())
            values.erase({root, key, L"OEMData"});
        else
            values[{root, key, L"OEMData"}] = value;
    }

    std::map<std::tuple<RegistryRoot, std::wstring, std::wstring>, QByteArray> values;
};

} // namespace

class TestGamesCompatibilityKey : public QObject {
    Q_OBJECT

private slots:
    void presence_data();
    void presence();
    void button_data();
    void button();
    void installLine();
    void uninstallLine();
    void rowOnTheWheelBasePage();
};

void TestGamesCompatibilityKey::presence_data() {
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("machine");
    QTest::addColumn<bool>("present");
    QTest::newRow("both") << kCarController << kCarController << true;
    QTest::newRow("neither") << kMissing << kMissing << false;
    QTest::newRow("only the current user's") << kCarController << kMissing << false;
    QTest::newRow("only the machine's") << kMissing << kCarController << false;
    const QByteArray otherFirstByte = QByteArray::fromHex("0000000000000000");
    QTest::newRow("another first byte") << otherFirstByte << otherFirstByte << false;
    const QByteArray buttons = QByteArray::fromHex("4000000001000000");
    QTest::newRow("another later byte") << kCarController << buttons << false;
    // The rest of the 8 bytes reads as zero.
    const QByteArray shorter = QByteArray::fromHex("40");
    QTest::newRow("shorter") << shorter << shorter << true;
    const QByteArray longer = QByteArray::fromHex("400000000000000000");
    QTest::newRow("longer") << longer << longer << false;
}

void TestGamesCompatibilityKey::presence() {
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, machine);
    QFETCH(bool, present);
    FakePlatform platform;
    platform.set(user, machine);
    QCOMPARE(GamesCompatibilityKey(platform).isGamesCompatibilityKeyPresent(), present);
}

void TestGamesCompatibilityKey::button_data() {
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("machine");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<QString>("line");
    QTest::addColumn<GamesKeyOutcome>("outcome");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("button");
    const QString present = QStringLiteral("Games compatibility registry key present");
    const QString absent = QStringLiteral("Games compatibility registry key NOT present");
    const QString install = QStringLiteral("Install");
    const QString uninstall = QStringLiteral("Uninstall");
    const QByteArray zero = QByteArray::fromHex("0000000000000000");

    QTest::newRow("install") << kMissing << kMissing << false << kInstall
                             << GamesKeyOutcome::Installed << false
                             << "Games Compatibility Key was installed" << present << uninstall;
    QTest::newRow("install refused")
        << kMissing << kMissing << true << kInstall << GamesKeyOutcome::NotInstalled << true
        << "Games Compatibility Key was NOT installed" << absent << install;
    QTest::newRow("uninstall") << kCarController << kCarController << false << kUninstall
                               << GamesKeyOutcome::Uninstalled << false
                               << "Games Compatibility Key was uninstalled" << absent << install;
    QTest::newRow("uninstall refused")
        << kCarController << kCarController << true << kUninstall << GamesKeyOutcome::NotUninstalled
        << true << "Games Compatibility Key was NOT uninstalled" << present << uninstall;
    QTest::newRow("only the current user's")
        << kCarController << kMissing << false << kInstall << GamesKeyOutcome::Installed << false
        << "Games Compatibility Key was installed" << present << uninstall;
    QTest::newRow("another first byte")
        << zero << zero << false << kInstall << GamesKeyOutcome::Installed << false
        << "Games Compatibility Key was installed" << present << uninstall;
}

void TestGamesCompatibilityKey::button() {
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, machine);
    QFETCH(bool, refuse);
    QFETCH(QString, line);
    QFETCH(GamesKeyOutcome, outcome);
    QFETCH(bool, failed);
    QFETCH(QString, message);
    QFETCH(QString, label);
    QFETCH(QString, button);
    FakePlatform platform;
    platform.set(user, machine);
    platform.refuse = refuse;
    GamesCompatibilityKey key(platform);

    QCOMPARE(key.toggle(), outcome);
    QCOMPARE(platform.runs, QStringList{line});
    QCOMPARE(key.isGamesCompatibilityKeyPresent(), gamesKeyPresentAfter(outcome));

    const GamesKeyMessage shown = gamesKeyMessage(outcome);
    QCOMPARE(shown.failed, failed);
    QCOMPARE(shown.title, QStringLiteral("Games Compatibility Key"));
    QCOMPARE(shown.text, message);
    const GamesKeyRowTexts row = gamesKeyRowTexts(gamesKeyPresentAfter(outcome));
    QCOMPARE(row.label, label);
    QCOMPARE(row.button, button);
}

void TestGamesCompatibilityKey::installLine() {
    QCOMPARE(QString::fromStdWString(gamesKeyInstallParameters()), kInstall);
}

void TestGamesCompatibilityKey::uninstallLine() {
    QCOMPARE(QString::fromStdWString(gamesKeyUninstallParameters()), kUninstall);
}

void TestGamesCompatibilityKey::rowOnTheWheelBasePage() {
    VirtualBus bus;
    VirtualDevice& wheel = bus.addWheelBase("wheelbase", false);
    wheel.setJoystickRate(0);
    wheel.plug();
    TARN_wheel_tool window(nullptr, fastTimings());
    auto* row = windowWidget<QGroupBox>(window, "groupBox_GamesCompatibilityKey");
    auto* label = windowWidget<QLabel>(window, "labelGamesCompatibilityKey");
    auto* button = windowWidget<QPushButton>(window, "pushButtonGamesCompatibilityKey");
    // The test machine has no Windows registry.
    QVERIFY(row->isHidden());

    auto fake = std::make_unique<FakePlatform>();
    FakePlatform& registry = *fake;
    registry.set(kCarController, kCarController);
    auto* keyRow = window.findChild<GamesKeyRow*>();
    QVERIFY(keyRow);
    keyRow->usePlatform(std::move(fake));
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(wheelBasePageLoaded(window), kLoadTimeoutMs);
    QVERIFY(row->isVisible());
    QCOMPARE(label->text(), QStringLiteral("Games compatibility registry key present"));
    QCOMPARE(button->text(), QStringLiteral("Uninstall"));

    DialogScript dialogs;
    dialogs.closeMessageBox();
    QTest::mouseClick(button, Qt::LeftButton);

    QVERIFY(dialogs.done());
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("Games Compatibility Key"));
    QCOMPARE(dialogs.shown[0].text, QStringLiteral("Games Compatibility Key was uninstalled"));
    QCOMPARE(registry.runs, QStringList{kUninstall});
    QCOMPARE(label->text(), QStringLiteral("Games compatibility registry key NOT present"));
    QCOMPARE(button->text(), QStringLiteral("Install"));
}

QTEST_MAIN(TestGamesCompatibilityKey)
#include "tst_gamescompatibilitykey.moc"
