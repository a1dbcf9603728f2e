// The main window with virtual wheel bases: selecting and loading the first device, firmware
// version mismatches, the version suffix, the encoder tab, Factory Defaults and unplugging.

#include "app/tarn_wheel_tool.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "tests/support/windowlookup.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

constexpr int kLoadTimeoutMs = 10000;

// Answers every message box the window opens, as a user would, and remembers what it said.
class MessageBoxAnswerer : public QObject {
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer)
        : answer(answer) {
        connect(&poll, &QTimer::timeout, this, &MessageBoxAnswerer::answerOpenBoxes);
        poll.start(10);
    }

    struct Seen {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
    };
    QList<Seen> seen;

private:
    void answerOpenBoxes() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible())
                continue;
            QPushButton* defaultButton = box->defaultButton();
            seen.append(
                {box->icon(), box->windowTitle(), box->text(), box->standardButtons(),
                 defaultButton ? box->standardButton(defaultButton) : QMessageBox::NoButton});
            QAbstractButton* button = box->button(answer);
            if (!button)
                button = box->button(QMessageBox::Ok);
            button->click();
        }
    }

    QMessageBox::StandardButton answer;
    QTimer poll;
};

// A private bus with virtual wheel bases that stream nothing, and the window, which finds them
// at its first scan.
struct Rig {
    using Setup = std::function<void(WheelBaseModel&)>;

    explicit Rig(const Setup& setup = nullptr) { addWheelBase("wheelbase", setup); }
    Rig(const char* first, const char* second) {
        addWheelBase(first, nullptr);
        addWheelBase(second, nullptr);
    }

    void start() { window = std::make_unique<TARN_wheel_tool>(nullptr, fastTimings()); }

    template <class T> T* widget(const char* name) const { return windowWidget<T>(*window, name); }
    bool isLoaded() const { return wheelBasePageLoaded(*window); }
    UsbDeviceTarnWheelBase* device() const { return selectedWheelBase(*window); }

    VirtualBus bus;
    std::vector<VirtualDevice*> wheels;
    std::unique_ptr<TARN_wheel_tool> window;

private:
    void addWheelBase(const char* name, const Setup& setup) {
        VirtualDevice& wheel = bus.addWheelBase(name, false);
        wheel.setJoystickRate(0);
        if (setup)
            wheel.withModel<WheelBaseModel>(setup);
        wheel.plug();
        wheels.push_back(&wheel);
    }
};

std::vector<int> commandsReceived(const VirtualDevice& device) {
    return commandsOf(device.receivedReports());
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void firstDeviceIsSelectedAndLoaded();
    void firmwareVersionMismatch_data();
    void firmwareVersionMismatch();
    void versionSuffixIsAddedOnce();
    void encoderTab_data();
    void encoderTab();
    void factoryDefaultsOnlyAfterYes();
    void unplugging();
};

void TestWindow::firstDeviceIsSelectedAndLoaded() {
    Rig rig;
    rig.start();
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);

    auto* selector = rig.widget<QComboBox>("comboBox_UsbDevice");
    QCOMPARE(selector->count(), 1);
    QCOMPARE(selector->currentText(),
             QStringLiteral("TARN Torvane Wheel Base (SW version: 2.7, HW version: 4.1)"));
    auto* profiles = rig.widget<QComboBox>("comboBox_ProfileName");
    QCOMPARE(profiles->count(), 3);
    QCOMPARE(profiles->itemText(0), QStringLiteral("Road"));
    QCOMPARE(profiles->itemText(2), QStringLiteral("Rally"));
    QCOMPARE(rig.widget<QLabel>("labelWheelBaseFwBuildInfo")->text(),
             QStringLiteral("Build date: Mar 14 2024 10:21:33, hash: 5e1f0c3a"));
    QCOMPARE(rig.widget<QTabWidget>("tabWidget")->currentIndex(), 0);

    // Load start, three profiles, load end; showing the profile sent nothing.
    QTRY_COMPARE(commandsReceived(*rig.wheels[0]), (std::vector<int>{3, 5, 5, 5, 3}));
    const std::vector<ReceivedReport> received = rig.wheels[0]->receivedReports();
    QCOMPARE(received[0].data[2], uint8_t(7));
    QCOMPARE(received[0].data[58], uint8_t(0));
    QCOMPARE(received[4].data[58], uint8_t(0xFF));
    QCOMPARE(int(rig.device()->liveUpdatesEnabled), 1);
    QVERIFY(!rig.device()->updateTimer.isActive());
}

void TestWindow::firmwareVersionMismatch_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("message");
    const QString older =
        QStringLiteral("Device has an older firmware. Please update the firmware.");
    QTest::newRow("6") << 6 << older;
    QTest::newRow("8") << 8
                       << QStringLiteral(
                              "Device had a newer firmware. Please update this config tool.");
    QTest::newRow("1, without device info") << 1 << older;
}

void TestWindow::firmwareVersionMismatch() {
    QFETCH(int, version);
    QFETCH(QString, message);
    Rig rig([version](WheelBaseModel& model) { model.protocolVersion = uint8_t(version); });
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    rig.start();
    QTRY_COMPARE_WITH_TIMEOUT(answerer.seen.size(), 1, kLoadTimeoutMs);

    QCOMPARE(answerer.seen[0].icon, QMessageBox::Warning);
    QCOMPARE(answerer.seen[0].title, QStringLiteral("TARN Torvane Wheel Base"));
    QCOMPARE(answerer.seen[0].text, message);
    // No profile was asked for and the interface stays disabled, Reload Settings included.
    for (int command : commandsReceived(*rig.wheels[0]))
        QCOMPARE(command, 3);
    QCOMPARE(rig.widget<QStackedWidget>("settingsStackedWidget")->currentIndex(), 0);
    QVERIFY(!rig.widget<QPushButton>("pushButton_LoadConfig")->isEnabled());
    QVERIFY(!rig.widget<QPushButton>("pushButton_SaveConfig")->isEnabled());
    QVERIFY(!rig.widget<QComboBox>("comboBox_ProfileName")->isEnabled());
    QVERIFY(!rig.widget<QComboBox>("comboBox_UsbDevice")->currentText().contains("SW version:"));
}

void TestWindow::versionSuffixIsAddedOnce() {
    Rig rig;
    rig.start();
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    QSignalSpy loaded(rig.device(), &UsbSettingsDevice::onSettingsLoaded);
    for (int reload = 0; reload < 2; ++reload) {
        rig.widget<QPushButton>("pushButton_LoadConfig")->click();
        QVERIFY(!rig.widget<QPushButton>("pushButton_SaveConfig")->isEnabled());
        QVERIFY(loaded.wait(kLoadTimeoutMs));
        QVERIFY(rig.isLoaded());
    }
    QCOMPARE(rig.widget<QComboBox>("comboBox_UsbDevice")->currentText().count("SW version:"), 1);
}

void TestWindow::encoderTab_data() {
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<bool>("hasEncoderTab");
    QTest::newRow("3.9 keeps it") << 3 << 9 << true;
    QTest::newRow("4.0 loses it") << 4 << 0 << false;
    QTest::newRow("5.2 loses it") << 5 << 2 << false;
}

void TestWindow::encoderTab() {
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(bool, hasEncoderTab);
    Rig rig(
        [=](WheelBaseModel& model) { model.setHardwareVersion(uint8_t(major), uint8_t(minor)); });
    rig.start();
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);

    const QStringList withEncoder{"FFB", "Filters", "End stops", "Encoder", "Debug"};
    const QStringList withoutEncoder{"FFB", "Filters", "End stops", "Debug"};
    auto titles = [&rig] {
        QTabWidget* tabs = rig.widget<QTabWidget>("tabWidget");
        QStringList result;
        for (int i = 0; i < tabs->count(); ++i)
            result.append(tabs->tabText(i));
        return result;
    };
    QCOMPARE(titles(), hasEncoderTab ? withEncoder : withoutEncoder);

    // A reload removes nothing more.
    QSignalSpy loaded(rig.device(), &UsbSettingsDevice::onSettingsLoaded);
    rig.widget<QPushButton>("pushButton_LoadConfig")->click();
    QVERIFY(loaded.wait(kLoadTimeoutMs));
    QCOMPARE(titles(), hasEncoderTab ? withEncoder : withoutEncoder);
}

void TestWindow::factoryDefaultsOnlyAfterYes() {
    Rig rig;
    rig.start();
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    VirtualDevice& wheel = *rig.wheels[0];
    wheel.clearReceivedReports();
    auto* button = rig.widget<QPushButton>("pushButton_SetDefaultConfig");
    {
        MessageBoxAnswerer answerer(QMessageBox::No);
        button->click();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].icon, QMessageBox::Warning);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Reset settings?"));
        QCOMPARE(answerer.seen[0].text,
                 QStringLiteral("Are you sure you want to reset all settings and profiles? This "
                                "cannot be undone."));
        QCOMPARE(answerer.seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(answerer.seen[0].defaultButton, QMessageBox::No);
    }
    {
        MessageBoxAnswerer answerer(QMessageBox::Yes);
        button->click();
        QCOMPARE(answerer.seen.size(), 1);
    }
    // Whatever the No sent would have arrived before what the Yes sent.
    QTRY_VERIFY(!wheel.receivedReports().empty());
    const std::vector<ReceivedReport> received = wheel.receivedReports();
    QCOMPARE(commandsOf(received), std::vector<int>{8});
    QCOMPARE(received[0].data[2], uint8_t(7));
    QCOMPARE(received[0].data[5], uint8_t(1));
}

void TestWindow::unplugging() {
    Rig rig("wheelbase-a", "wheelbase-b");
    rig.start();
    QTRY_VERIFY_WITH_TIMEOUT(rig.isLoaded(), kLoadTimeoutMs);
    auto* selector = rig.widget<QComboBox>("comboBox_UsbDevice");
    QTRY_COMPARE(selector->count(), 2);
    QCOMPARE(rig.device()->path, QString::fromStdString(rig.wheels[0]->socketPath()));
    QVERIFY(rig.wheels[1]->receivedReports().empty());

    // An entry before the current one goes: the current device stays selected, loaded and
    // enabled, and is not loaded again.
    selector->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(
        rig.isLoaded() && rig.device()->path == QString::fromStdString(rig.wheels[1]->socketPath()),
        kLoadTimeoutMs);
    QVERIFY(waitUntilQuiet(*rig.wheels[1], kFastQuietMs));
    const size_t loadRequests = rig.wheels[1]->receivedReports().size();
    rig.wheels[0]->unplug();
    QTRY_COMPARE_WITH_TIMEOUT(selector->count(), 1, kLoadTimeoutMs);
    QVERIFY(rig.isLoaded());
    QCOMPARE(rig.wheels[1]->receivedReports().size(), loadRequests);
    rig.wheels[0]->plug();
    QTRY_COMPARE_WITH_TIMEOUT(selector->count(), 2, kLoadTimeoutMs);
    selector->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(
        rig.isLoaded() && rig.device()->path == QString::fromStdString(rig.wheels[0]->socketPath()),
        kLoadTimeoutMs);

    // The current device goes: the next entry becomes current and is loaded.
    rig.wheels[0]->unplug();
    QTRY_COMPARE_WITH_TIMEOUT(selector->count(), 1, kLoadTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(rig.device() && rig.isLoaded(), kLoadTimeoutMs);
    QCOMPARE(rig.device()->path, QString::fromStdString(rig.wheels[1]->socketPath()));
    QCOMPARE(commandsReceived(*rig.wheels[1]).front(), 3);

    // The last device goes: the empty page, no device.
    rig.wheels[1]->unplug();
    QTRY_COMPARE_WITH_TIMEOUT(selector->count(), 0, kLoadTimeoutMs);
    QCOMPARE(rig.window->selectedDevice(), nullptr);
    QCOMPARE(rig.widget<QStackedWidget>("settingsStackedWidget")->currentIndex(), 0);
    QVERIFY(!rig.widget<QPushButton>("pushButton_LoadConfig")->isEnabled());
    QVERIFY(rig.widget<QPushButton>("pushButton_SetDefaultConfig")->isEnabled());
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
