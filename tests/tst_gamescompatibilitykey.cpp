// The games compatibility key over a fake registry and a fake elevated interpreter: presence, the
// button's outcomes with the exact command lines it runs, the texts of its message boxes, and the
// row on the wheel-base page (hidden without a registry).

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
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(GamesKeyOutcome)

namespace {

const std::wstring kOemKey = L"\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\"
                             L"Joystick\\OEM\\VID_0483&PID_A355";
const QByteArray kCarController = QByteArray::fromHex("4000000000000000");
const QByteArray kMissing;

// The keys as the interpreter gets them, with '&' escaped.
const QString kLineKey = QStringLiteral("\\CurrentControlSet\\Control\\MediaProperties\\"
                                        "PrivateProperties\\Joystick\\OEM\\VID_0483^&PID_A355");
const QString kValue = QStringLiteral(" /v OEMData /t REG_BINARY /d \"4000000000000000\" /f");
const QString kInstall =
    "/c REG ADD HKLM\\SYSTEM" + kLineKey + kValue + " && REG ADD HKCU\\System" + kLineKey + kValue;
const QString kUninstall = "/c REG DELETE HKLM\\SYSTEM" + kLineKey +
                           " /v OEMData /f && echo HKEY_CURRENT_USER\\System" + kLineKey +
                           " [7] >> \"TmpKeyPermx.txt\" && regini TmpKeyPermx.txt && del "
                           "TmpKeyPermx.txt && REG DELETE HKCU\\System" +
                           kLineKey + " /v OEMData /f";

// Binary values of at most 8 bytes by root, key and name; the elevated interpreter runs exactly
// the install and uninstall lines, unless the user refuses the elevation.
class FakePlatform : public GamesKeyPlatform {
public:
    bool hasRegistry() const override { return true; }

    bool readBinaryValue(RegistryRoot root, const std::wstring& subKey, const std::wstring& name,
                         RegistryBinaryValue& value) override {
        const QByteArray stored = values.value(keyOf(root, subKey + L"\\" + name));
        value.fill(0);
        std::copy(stored.begin(), stored.end(), value.begin());
        return !stored.isNull();
    }

    void runElevated(const std::wstring& parameters) override {
        runs << QString::fromStdWString(parameters);
        if (!refuse && runs.last() == kInstall)
            set(kCarController, kCarController);
        if (!refuse && runs.last() == kUninstall)
            set(kMissing, kMissing);
    }

    void set(const QByteArray& user, const QByteArray& machine) {
        values[keyOf(RegistryRoot::CurrentUser, L"System" + kOemKey + L"\\OEMData")] = user;
        values[keyOf(RegistryRoot::LocalMachine, L"SYSTEM" + kOemKey + L"\\OEMData")] = machine;
    }

    bool refuse = false;
    QStringList runs;

private:
    static QString keyOf(RegistryRoot root, const std::wstring& path) {
        return QString::number(int(root)) + QString::fromStdWString(path);
    }

    QMap<QString, QByteArray> values;
};

} // namespace

class TestGamesCompatibilityKey : public QObject {
    Q_OBJECT

private slots:
    // Both values must hold exactly the car controller's 8 bytes.
    void presence_data() {
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QByteArray>("machine");
        QTest::addColumn<bool>("present");
        QTest::newRow("both") << kCarController << kCarController << true;
        QTest::newRow("only the current user's") << kCarController << kMissing << false;
        QTest::newRow("only the machine's") << kMissing << kCarController << false;
        QTest::newRow("another byte")
            << kCarController << QByteArray::fromHex("4000000001000000") << false;
    }

    void presence() {
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, machine);
        QFETCH(bool, present);
        FakePlatform platform;
        platform.set(user, machine);
        QCOMPARE(GamesCompatibilityKey(platform).isGamesCompatibilityKeyPresent(), present);
    }

    // The button removes a present key and installs an absent one; what the registry holds
    // afterwards decides the outcome, its box and the row's texts.
    void button_data() {
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QString>("line");
        QTest::addColumn<GamesKeyOutcome>("outcome");
        QTest::addColumn<QString>("message");
        QTest::newRow("install") << false << false << kInstall << GamesKeyOutcome::Installed
                                 << "Games Compatibility Key was installed";
        QTest::newRow("install refused")
            << false << true << kInstall << GamesKeyOutcome::NotInstalled
            << "!Games Compatibility Key was NOT installed";
        QTest::newRow("uninstall") << true << false << kUninstall << GamesKeyOutcome::Uninstalled
                                   << "Games Compatibility Key was uninstalled";
        QTest::newRow("uninstall refused")
            << true << true << kUninstall << GamesKeyOutcome::NotUninstalled
            << "!Games Compatibility Key was NOT uninstalled";
    }

    void button() {
        QFETCH(bool, present);
        QFETCH(bool, refuse);
        QFETCH(QString, line);
        QFETCH(GamesKeyOutcome, outcome);
        QFETCH(QString, message);
        FakePlatform platform;
        platform.set(present ? kCarController : kMissing, present ? kCarController : kMissing);
        platform.refuse = refuse;
        GamesCompatibilityKey key(platform);

        QCOMPARE(key.toggle(), outcome);
        QCOMPARE(platform.runs, QStringList{line});
        QCOMPARE(gamesKeyPresentAfter(outcome), present == refuse);
        const GamesKeyMessage shown = gamesKeyMessage(outcome);
        QCOMPARE(shown.title, QStringLiteral("Games Compatibility Key"));
        QCOMPARE((shown.failed ? "!" : "") + shown.text, message);
    }

    // The row follows the registry: shown when the page shows, and after a press with its box.
    void rowOnTheWheelBasePage() {
        VirtualBus bus;
        bus.addWheelBase();
        TARN_wheel_tool window(nullptr, fastTimings());
        auto* row = windowWidget<QGroupBox>(window, "groupBox_GamesCompatibilityKey");
        auto* label = windowWidget<QLabel>(window, "labelGamesCompatibilityKey");
        auto* button = windowWidget<QPushButton>(window, "pushButtonGamesCompatibilityKey");
        QVERIFY(row->isHidden()); // the test machine has no registry

        auto fake = std::make_unique<FakePlatform>();
        FakePlatform& registry = *fake;
        registry.set(kCarController, kCarController);
        window.findChild<GamesKeyRow*>()->usePlatform(std::move(fake));
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(wheelBasePageLoaded(window), 15000);
        QVERIFY(row->isVisible());
        QCOMPARE(label->text() + " / " + button->text(),
                 QStringLiteral("Games compatibility registry key present / Uninstall"));

        DialogScript dialogs;
        dialogs.closeMessageBox();
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(dialogs.done());
        QCOMPARE(
            dialogs.shown[0].title + ": " + dialogs.shown[0].text,
            QStringLiteral("Games Compatibility Key: Games Compatibility Key was uninstalled"));
        QCOMPARE(registry.runs, QStringList{kUninstall});
        QCOMPARE(label->text() + " / " + button->text(),
                 QStringLiteral("Games compatibility registry key NOT present / Install"));
    }
};

QTEST_MAIN(TestGamesCompatibilityKey)
#include "tst_gamescompatibilitykey.moc"
