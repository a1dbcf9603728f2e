// The games compatibility key over a fake registry and a fake elevated interpreter: presence, the
// button's outcomes with the exact command lines it runs, the texts of its message boxes, and the
// row on the wheel-base page (hidden without a registry).

#include "tests/support/devicepagerig.h"
#include "tests/support/dialogscript.h"
#include "wheelbase/gamescompatibilitykey.h"
#include "wheelbase/gameskeyrow.h"
#include "wheelbase/gameskeytexts.h"

#include <QGroupBox>
#include <QLabel>
#include <QtTest>

#include <array>
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

// The current user's and the machine's OEMData values of the key (null when missing); the
// elevated interpreter runs exactly the install and uninstall lines, unless the user refuses the
// elevation.
class FakePlatform : public GamesKeyPlatform {
public:
    bool hasRegistry() const override { return true; }

    bool readBinaryValue(RegistryRoot root, const std::wstring& subKey, const std::wstring& name,
                         RegistryBinaryValue& value) override {
        const bool machine = root == RegistryRoot::LocalMachine;
        const bool key =
            subKey == (machine ? L"SYSTEM" : L"System") + kOemKey && name == L"OEMData";
        const QByteArray stored = key ? values[machine] : QByteArray();
        value.fill(0);
        std::copy(stored.begin(), stored.end(), value.begin());
        return !stored.isNull();
    }

    void runElevated(const std::wstring& parameters) override {
        runs << QString::fromStdWString(parameters);
        if (!refuse && runs.last() == kInstall)
            values = {kCarController, kCarController};
        if (!refuse && runs.last() == kUninstall)
            values = {kMissing, kMissing};
    }

    std::array<QByteArray, 2> values; // the current user's, the machine's
    bool refuse = false;
    QStringList runs;
};

} // namespace

class TestGamesCompatibilityKey : public QObject {
    Q_OBJECT

private slots:
    // The key is present when both values hold exactly the car controller's 8 bytes. The button
    // removes a present key and installs an absent one; what the registry holds afterwards
    // decides the outcome, its box and the row's texts.
    void button_data() {
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QByteArray>("machine");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<GamesKeyOutcome>("outcome");
        QTest::addColumn<QString>("message");
        const QString installed = "Games Compatibility Key was installed";
        const QByteArray otherByte = QByteArray::fromHex("4000000001000000");
        QTest::newRow("both: uninstall")
            << kCarController << kCarController << false << GamesKeyOutcome::Uninstalled
            << "Games Compatibility Key was uninstalled";
        QTest::newRow("uninstall refused")
            << kCarController << kCarController << true << GamesKeyOutcome::NotUninstalled
            << "!Games Compatibility Key was NOT uninstalled";
        QTest::newRow("neither: install")
            << kMissing << kMissing << false << GamesKeyOutcome::Installed << installed;
        QTest::newRow("install refused")
            << kMissing << kMissing << true << GamesKeyOutcome::NotInstalled
            << "!Games Compatibility Key was NOT installed";
        QTest::newRow("only the current user's")
            << kCarController << kMissing << false << GamesKeyOutcome::Installed << installed;
        QTest::newRow("only the machine's")
            << kMissing << kCarController << false << GamesKeyOutcome::Installed << installed;
        QTest::newRow("another byte")
            << kCarController << otherByte << false << GamesKeyOutcome::Installed << installed;
    }

    void button() {
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, machine);
        QFETCH(bool, refuse);
        QFETCH(GamesKeyOutcome, outcome);
        QFETCH(QString, message);
        FakePlatform platform;
        platform.values = {user, machine};
        platform.refuse = refuse;
        GamesCompatibilityKey key(platform);
        const bool present =
            outcome == GamesKeyOutcome::Uninstalled || outcome == GamesKeyOutcome::NotUninstalled;

        QCOMPARE(key.isGamesCompatibilityKeyPresent(), present);
        QCOMPARE(key.toggle(), outcome);
        QCOMPARE(platform.runs, QStringList{present ? kUninstall : kInstall});
        QCOMPARE(gamesKeyPresentAfter(outcome), present == refuse);
        const GamesKeyMessage shown = gamesKeyMessage(outcome);
        QCOMPARE(shown.title, QStringLiteral("Games Compatibility Key"));
        QCOMPARE((shown.failed ? "!" : "") + shown.text, message);
    }

    // The row follows the registry: shown when the page shows, and after a press with its box.
    void rowOnTheWheelBasePage() {
        PageRig<WheelBaseModel, UsbDeviceTarnWheelBase, 1> rig;
        auto* row = rig.widget<QGroupBox>("groupBox_GamesCompatibilityKey");
        auto* label = rig.widget<QLabel>("labelGamesCompatibilityKey");
        auto* button = rig.widget<QPushButton>("pushButtonGamesCompatibilityKey");
        QVERIFY(row->isHidden()); // the test machine has no registry

        auto fake = std::make_unique<FakePlatform>();
        FakePlatform& registry = *fake;
        registry.values = {kCarController, kCarController};
        rig.window->findChild<GamesKeyRow*>()->usePlatform(std::move(fake));
        QVERIFY(rig.load());
        QVERIFY(row->isVisible());
        QCOMPARE(label->text() + " / " + button->text(),
                 QStringLiteral("Games compatibility registry key present / Uninstall"));

        DialogScript dialogs;
        dialogs.closeMessageBox();
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(dialogs.done());
        QCOMPARE(dialogs.shown[0].messageBox(),
                 QStringLiteral("Information, Ok, default Ok: Games Compatibility Key: Games "
                                "Compatibility Key was uninstalled"));
        QCOMPARE(registry.runs, QStringList{kUninstall});
        QCOMPARE(label->text() + " / " + button->text(),
                 QStringLiteral("Games compatibility registry key NOT present / Install"));
    }
};

QTEST_MAIN(TestGamesCompatibilityKey)
#include "tst_gamescompatibilitykey.moc"
