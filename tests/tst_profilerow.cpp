// The profile row of the main window against virtual devices: adding, removing and renaming
// profiles, and saving the active profile to a file or loading one into it through the file
// dialogs, for the wheel base (whose page shows the result) and for the pedals and the button
// plate.

#include "app/tarn_wheel_tool.h"
#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "pedals/usbdevicetarnpedals.h"
#include "profiles/profilefile.h"
#include "tests/support/dialogscript.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <functional>

namespace {

constexpr int kTimeoutMs = 15000;
const QString kFilter = QStringLiteral("TARN Profile Files (*.tprf)");

template <typename Record> QByteArray bytesOf(const Record& record) {
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof record);
}

// The window with its widgets found by name.
class Window {
public:
    Window() {
        selector = window.findChild<QComboBox*>("comboBox_ProfileName");
        devices = window.findChild<QComboBox*>("comboBox_UsbDevice");
        add = window.findChild<QPushButton*>("pushButton_AddProfile");
        remove = window.findChild<QPushButton*>("pushButton_RemoveProfile");
        save = window.findChild<QPushButton*>("pushButton_SaveProfileToFile");
        load = window.findChild<QPushButton*>("pushButton_LoadProfileFromFile");
        window.show();
    }

    template <typename Device> Device* device() const {
        return qobject_cast<Device*>(window.selectedDevice());
    }
    // The selected device's settings have been loaded and the profile row is usable.
    bool ready() const { return window.selectedDevice() && load->isEnabled(); }
    QStringList profileNames() const {
        QStringList names;
        for (int i = 0; i < selector->count(); ++i)
            names << selector->itemText(i);
        return names;
    }

    TARN_wheel_tool window{nullptr, fastTimings()};
    QComboBox* selector;
    QComboBox* devices;
    QPushButton* add;
    QPushButton* remove;
    QPushButton* save;
    QPushButton* load;
};

// Live updates the device received: the start requests of command 12 (marker byte not 0xFF).
int liveUpdateStarts(const VirtualDevice& device, int markerOffset) {
    int starts = 0;
    for (const ReceivedReport& report : withCommand(device.receivedReports(), kCmdLiveUpdate))
        starts += report.data[markerOffset] != kEndMarker;
    return starts;
}

bool liveUpdateEnded(const VirtualDevice& device, int markerOffset) {
    for (const ReceivedReport& report : withCommand(device.receivedReports(), kCmdLiveUpdate)) {
        if (report.data[markerOffset] == kEndMarker)
            return true;
    }
    return false;
}

// The record a live update sent for profile `index`.
QByteArray liveUpdateRecord(const VirtualDevice& device, int index, int recordSize) {
    for (const ReceivedReport& report :
         withCommand(device.receivedReports(), kCmdLiveUpdateProfile)) {
        if (report.data[3] == index)
            return QByteArray(reinterpret_cast<const char*>(report.data.data() + 3), recordSize);
    }
    return QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A wheel-base profile unlike the factory ones, with values inside the page's ranges so that
// showing it writes the same values back.
TarnUsbWheelBaseProfileV5 distinctWheelBaseProfile() {
    TarnUsbWheelBaseProfileV5 profile{};
    profile.index = 9;
    std::strcpy(profile.name, "Loaded");
    profile.centerOffset = 0.125f;
    profile.rotationDegrees = 720;
    profile.encoderType = 2;
    profile.encoderResolution = 65536;
    profile.force = 77;
    profile.smoothing = 7;
    profile.damping = 33;
    profile.friction = 12;
    profile.inertia = 5;
    profile.spring = 40;
    profile.dampingEffect = 2;
    profile.frictionEffect = 1;
    profile.inertiaEffect = 0;
    profile.springEffect = 2;
    profile.reserved = 0x5C;
    profile.staticForceReduction = 20;
    profile.nonLinearity = 3;
    profile.slewRate = 1;
    profile.endStopMaxForce = 90;
    profile.endStopStiffness = 4;
    profile.softEndStopDegrees = 700;
    profile.softEndStopEnabled = 1;
    return profile;
}

} // namespace

class TestProfileRow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void loadingShowsTheProfileAndSendsItInOneLiveUpdate();
    void saveThroughTheDialog();
    void cancelledOrFailedDialogsChangeNothing();
    void profileMovesFromOneWheelBaseToAnother();
    void addAndRemoveThroughTheWindow();
    void renameThroughTheSelector();
    void choosingAnotherProfileRenamesNothing();
    void unpluggingWhileTheDialogIsOpenCancelsTheOperation();
    void pedalsAndButtonPlateProfilesTravelThroughFiles();

private:
    QString path(const QString& name) const { return files->filePath(name); }
    std::unique_ptr<QTemporaryDir> files;
};

void TestProfileRow::init() {
    files = std::make_unique<QTemporaryDir>();
    QVERIFY(files->isValid());
}

void TestProfileRow::cleanup() {
    files.reset();
}

void TestProfileRow::loadingShowsTheProfileAndSendsItInOneLiveUpdate() {
    VirtualBus bus;
    VirtualDevice& wheel = bus.addWheelBase();
    Window window;
    QTRY_VERIFY_WITH_TIMEOUT(window.ready(), kTimeoutMs);
    auto* device = window.device<UsbDeviceTarnWheelBase>();
    QVERIFY(device);
    window.selector->setCurrentIndex(1);
    emit window.selector->activated(1);
    QTRY_VERIFY_WITH_TIMEOUT(liveUpdateEnded(wheel, 58), kTimeoutMs);
    QTRY_VERIFY(!device->updateTimer.isActive());

    const TarnUsbWheelBaseProfileV5 file = distinctWheelBaseProfile();
    QVERIFY(writeFile(path("loaded.tprf"), buildProfileFileImage(4, &file, sizeof file)));
    wheel.clearReceivedReports();
    DialogScript dialogs;
    dialogs.answerFileDialog(path("loaded.tprf"));

    QTest::mouseClick(window.load, Qt::LeftButton);

    QVERIFY(dialogs.done());
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("Open Profile File"));
    QCOMPARE(dialogs.shown[0].filters, QStringList{kFilter});
    QCOMPARE(dialogs.shown[0].directory, QDir::currentPath());
    // The active profile holds the file's record under its own index, the page shows it and
    // the selector's item carries its name.
    TarnUsbWheelBaseProfileV5 expected = file;
    expected.index = 1;
    QCOMPARE(int(device->currentProfile), 1);
    QCOMPARE(bytesOf(device->profiles[1]), bytesOf(expected));
    QCOMPARE(window.window.findChild<QSlider*>("horiSlider_Force")->value(), 77);
    QCOMPARE(window.window.findChild<QSlider*>("horiSlider_Damping")->value(), 33);
    QCOMPARE(window.selector->currentText(), QStringLiteral("Loaded"));
    QCOMPARE(window.selector->itemText(1), QStringLiteral("Loaded"));
    QCOMPARE(window.selector->count(), 3);

    // Exactly one live update carries it to the wheel base.
    QTRY_VERIFY_WITH_TIMEOUT(liveUpdateEnded(wheel, 58), kTimeoutMs);
    QVERIFY(!device->updateTimer.isActive());
    QCOMPARE(liveUpdateStarts(wheel, 58), 1);
    QCOMPARE(withCommand(wheel.receivedReports(), kCmdLiveUpdateProfile).size(), size_t(3));
    QCOMPARE(liveUpdateRecord(wheel, 1, 54), bytesOf(expected));
    QCOMPARE(wheel.withModel<WheelBaseModel>(
                 [](WheelBaseModel& m) { return bytesOf(m.profiles[1]) + char(m.activeProfile); }),
             bytesOf(expected) + char(1));
}

void TestProfileRow::saveThroughTheDialog() {
    VirtualBus bus;
    bus.addWheelBase();
    Window window;
    QTRY_VERIFY_WITH_TIMEOUT(window.ready(), kTimeoutMs);
    auto* device = window.device<UsbDeviceTarnWheelBase>();
    DialogScript dialogs;
    dialogs.answerFileDialog(path("saved.tprf"));

    QTest::mouseClick(window.save, Qt::LeftButton);

    QVERIFY(dialogs.done());
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("Save Profile File"));
    QCOMPARE(dialogs.shown[0].filters, QStringList{kFilter});
    QCOMPARE(dialogs.shown[0].directory, QDir::currentPath());
    const TarnUsbWheelBaseProfileV5& active = device->profiles[device->currentProfile];
    QCOMPARE(readFile(path("saved.tprf")), buildProfileFileImage(4, &active, sizeof active));
}

void TestProfileRow::cancelledOrFailedDialogsChangeNothing() {
    VirtualBus bus;
    VirtualDevice& wheel = bus.addWheelBase();
    Window window;
    QTRY_VERIFY_WITH_TIMEOUT(window.ready(), kTimeoutMs);
    auto* device = window.device<UsbDeviceTarnWheelBase>();
    const QByteArray before = bytesOf(device->profiles);
    const QStringList names = window.profileNames();
    QByteArray corrupted = buildProfileFileImage(4, &device->profiles[2], 54);
    corrupted[30] = char(corrupted[30] ^ 1);
    QVERIFY(writeFile(path("corrupted.tprf"), corrupted));
    wheel.clearReceivedReports();
    DialogScript dialogs;

    dialogs.answerFileDialog(QString());
    dialogs.closeMessageBox();
    QTest::mouseClick(window.save, Qt::LeftButton);
    dialogs.answerFileDialog(QString());
    dialogs.closeMessageBox();
    QTest::mouseClick(window.load, Qt::LeftButton);
    dialogs.answerFileDialog(path("corrupted.tprf"));
    dialogs.closeMessageBox();
    QTest::mouseClick(window.load, Qt::LeftButton);

    QVERIFY(dialogs.done());
    QCOMPARE(dialogs.shown.size(), 6);
    QCOMPARE(dialogs.shown[1].title, QStringLiteral("Unable to save file"));
    QCOMPARE(dialogs.shown[1].text, QStringLiteral("File name can't be empty"));
    QCOMPARE(dialogs.shown[3].title, QStringLiteral("Unable to read file"));
    QCOMPARE(dialogs.shown[3].text, QStringLiteral("File name can't be empty"));
    QCOMPARE(dialogs.shown[5].title, QStringLiteral("Unable to read file"));
    QCOMPARE(dialogs.shown[5].text, QStringLiteral("Corrupted file"));
    QCOMPARE(bytesOf(device->profiles), before);
    QCOMPARE(window.profileNames(), names);
    QVERIFY(!device->updateTimer.isActive());
    QVERIFY(withCommand(wheel.receivedReports(), kCmdLiveUpdate).empty());
    QCOMPARE(QDir(path(QString())).entryList(QDir::Files), QStringList{"corrupted.tprf"});
}

void TestProfileRow::profileMovesFromOneWheelBaseToAnother() {
    VirtualBus bus;
    VirtualDevice& first = bus.addWheelBase("wheelbase-a");
    VirtualDevice& second = bus.addWheelBase("wheelbase-b");
    const TarnUsbWheelBaseProfileV5 travelling = distinctWheelBaseProfile();
    first.withModel<WheelBaseModel>([&](WheelBaseModel& m) {
        m.profiles[2] = travelling;
        m.profiles[2].index = 2;
        m.activeProfile = 2;
    });
    Window window;
    QTRY_VERIFY_WITH_TIMEOUT(window.ready() && window.devices->count() == 2, kTimeoutMs);
    QVERIFY(QString::fromStdString(first.socketPath()) == window.window.selectedDevice()->path);
    DialogScript dialogs;
    dialogs.answerFileDialog(path("travelling.tprf"));
    QTest::mouseClick(window.save, Qt::LeftButton);
    QVERIFY(dialogs.done());

    window.devices->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(window.ready() && window.window.selectedDevice()->path ==
                                                   QString::fromStdString(second.socketPath()),
                             kTimeoutMs);
    auto* device = window.device<UsbDeviceTarnWheelBase>();
    QCOMPARE(int(device->currentProfile), 0);
    const QByteArray others = bytesOf(device->profiles[1]) + bytesOf(device->profiles[2]);
    second.clearReceivedReports();
    dialogs.answerFileDialog(path("travelling.tprf"));
    QTest::mouseClick(window.load, Qt::LeftButton);
    QVERIFY(dialogs.done());

    TarnUsbWheelBaseProfileV5 expected = travelling;
    expected.index = 0;
    QCOMPARE(bytesOf(device->profiles[0]), bytesOf(expected));
    QCOMPARE(bytesOf(device->profiles[1]) + bytesOf(device->profiles[2]), others);
    QTRY_VERIFY_WITH_TIMEOUT(liveUpdateEnded(second, 58), kTimeoutMs);
    QCOMPARE(
        second.withModel<WheelBaseModel>([](WheelBaseModel& m) { return bytesOf(m.profiles[0]); }),
        bytesOf(expected));
    QVERIFY(withCommand(first.receivedReports(), kCmdLiveUpdate).empty());
}

void TestProfileRow::addAndRemoveThroughTheWindow() {
    VirtualBus bus;
    VirtualDevice& wheel = bus.addWheelBase();
    Window window;
    QTRY_VERIFY_WITH_TIMEOUT(window.ready(), kTimeoutMs);
    auto* device = window.device<UsbDeviceTarnWheelBase>();
    const QStringList factory = window.profileNames();
    QCOMPARE(factory.size(), 3);
    wheel.clearReceivedReports();

    QTest::mouseClick(window.add, Qt::LeftButton);

    QCOMPARE(window.profileNames(), factory + QStringList{"Profile 3"});
    QCOMPARE(window.selector->currentIndex(), 3);
    QCOMPARE(int(device->profileCount), 4);
    QCOMPARE(int(device->currentProfile), 3);
    QTRY_VERIFY_WITH_TIMEOUT(liveUpdateEnded(wheel, 58), kTimeoutMs);
    QCOMPARE(wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { return m.profiles.size(); }),
             size_t(4));
    QCOMPARE(wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { return m.activeProfile; }),
             uint8_t(3));

    window.selector->setCurrentIndex(1);
    emit window.selector->activated(1);
    QTest::mouseClick(window.remove, Qt::LeftButton);

    QCOMPARE(window.profileNames(), (QStringList{factory[0], factory[2], "Profile 3"}));
    QCOMPARE(window.selector->currentIndex(), 1);
    QCOMPARE(int(device->profileCount), 3);
    QCOMPARE(int(device->currentProfile), 1);
    QCOMPARE(int(device->profiles[2].index), 2);

    // The last one always stays.
    QTest::mouseClick(window.remove, Qt::LeftButton);
    QTest::mouseClick(window.remove, Qt::LeftButton);
    QTest::mouseClick(window.remove, Qt::LeftButton);
    QCOMPARE(window.selector->count(), 1);
    QCOMPARE(int(device->profileCount), 1);
    wheel.clearReceivedReports();
    QTRY_VERIFY_WITH_TIMEOUT(liveUpdateEnded(wheel, 58), kTimeoutMs);
    QCOMPARE(wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { return m.profiles.size(); }),
             size_t(1));
}

void TestProfileRow::renameThroughTheSelector() {
    VirtualBus bus;
    VirtualDevice& wheel = bus.addWheelBase();
    Window window;
    QTRY_VERIFY_WITH_TIMEOUT(window.ready(), kTimeoutMs);
    auto* device = window.device<UsbDeviceTarnWheelBase>();
    QTRY_VERIFY(!device->updateTimer.isActive());
    wheel.clearReceivedReports();
    QLineEdit* editor = window.selector->lineEdit();

    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Nordschleife at night"));

    // The record keeps 15 bytes, the selector the whole text; no transfer starts.
    QCOMPARE(QByteArray(device->profiles[0].name, 16), QByteArray("Nordschleife at\0", 16));
    QCOMPARE(window.selector->itemText(0), QStringLiteral("Nordschleife at night"));
    QCOMPARE(window.selector->count(), 3);
    QVERIFY(!device->updateTimer.isActive());
    QVERIFY(wheel.receivedReports().empty());

    // Typing inside the name edits it there.
    editor->setCursorPosition(3);
    QTest::keyClicks(editor, QStringLiteral("XY"));
    QCOMPARE(editor->text(), QStringLiteral("NorXYdschleife at night"));
    QCOMPARE(editor->cursorPosition(), 5);

    // Multi-byte characters are never cut in half (pasted: key clicks are ASCII only).
    editor->selectAll();
    editor->insert(QStringLiteral("Straßenrennen Süd"));
    const QByteArray stored(device->profiles[0].name);
    QCOMPARE(stored, QStringLiteral("Straßenrennen ").toUtf8());
    QCOMPARE(window.selector->itemText(0), QStringLiteral("Straßenrennen Süd"));

    // The new name goes out with the next live update.
    QTest::mouseClick(window.add, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(liveUpdateEnded(wheel, 58), kTimeoutMs);
    QCOMPARE(liveUpdateRecord(wheel, 0, 54).mid(1, 16), QByteArray(device->profiles[0].name, 16));
}

void TestProfileRow::choosingAnotherProfileRenamesNothing() {
    VirtualBus bus;
    bus.addWheelBase();
    Window window;
    QTRY_VERIFY_WITH_TIMEOUT(window.ready(), kTimeoutMs);
    auto* device = window.device<UsbDeviceTarnWheelBase>();
    const QByteArray before = bytesOf(device->profiles);
    const QStringList names = window.profileNames();

    window.selector->setCurrentIndex(2);
    QCOMPARE(bytesOf(device->profiles), before);
    emit window.selector->activated(2);

    QCOMPARE(int(device->currentProfile), 2);
    QCOMPARE(window.profileNames(), names);
    QCOMPARE(QByteArray(device->profiles[0].name), names[0].toUtf8());
    QCOMPARE(QByteArray(device->profiles[2].name), names[2].toUtf8());
}

void TestProfileRow::pedalsAndButtonPlateProfilesTravelThroughFiles() {
    VirtualBus bus;
    bus.addPedals("a-pedals");
    bus.addButtonPlate("b-buttonplate");
    Window window;
    QTRY_VERIFY_WITH_TIMEOUT(window.ready() && window.devices->count() == 2, kTimeoutMs);
    auto* pedalsDevice = window.device<UsbDeviceTarnPedals>();
    QVERIFY(pedalsDevice);
    DialogScript dialogs;

    // Pedals: save profile 0, then load it over the active profile 1.
    dialogs.answerFileDialog(path("pedals.tprf"));
    QTest::mouseClick(window.save, Qt::LeftButton);
    const TarnUsbPedalsProfileV2 saved = pedalsDevice->profiles[0];
    QCOMPARE(readFile(path("pedals.tprf")), buildProfileFileImage(2, &saved, sizeof saved));
    window.selector->setCurrentIndex(1);
    emit window.selector->activated(1);
    dialogs.answerFileDialog(path("pedals.tprf"));
    QTest::mouseClick(window.load, Qt::LeftButton);
    TarnUsbPedalsProfileV2 expected = saved;
    expected.index = 1;
    QCOMPARE(bytesOf(pedalsDevice->profiles[1]), bytesOf(expected));
    QCOMPARE(window.selector->itemText(1), QString::fromUtf8(saved.name));
    QTest::mouseClick(window.add, Qt::LeftButton);
    QCOMPARE(int(pedalsDevice->profileCount), 4);
    QCOMPARE(window.selector->currentText(), QStringLiteral("Profile 3"));

    // Button plate: a pedals file is refused, its own file loads.
    window.devices->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(window.ready() && window.device<UsbDeviceTarnButtonPlate>(),
                             kTimeoutMs);
    auto* plate = window.device<UsbDeviceTarnButtonPlate>();
    const QByteArray before = bytesOf(plate->profiles);
    dialogs.answerFileDialog(path("pedals.tprf"));
    dialogs.closeMessageBox();
    QTest::mouseClick(window.load, Qt::LeftButton);
    QCOMPARE(dialogs.shown.last().text, QStringLiteral("Unknown file format"));
    QCOMPARE(bytesOf(plate->profiles), before);

    TarnUsbBleButtonPlateProfile file{};
    std::strcpy(file.name, "Endurance");
    // Values the page's controls can show, so that showing the profile keeps them.
    file.xBottomDeadzone = 4;
    file.yBottomDeadzone = 5;
    file.clutchBitePoint = 35.5f;
    file.shiftersAttackPoint = 22.5f;
    file.shiftersHysteresis = 30.0f;
    file.ledBrightness = 60;
    QVERIFY(writeFile(path("plate.tprf"), buildProfileFileImage(1, &file, sizeof file)));
    dialogs.answerFileDialog(path("plate.tprf"));
    QTest::mouseClick(window.load, Qt::LeftButton);
    QVERIFY(dialogs.done());
    file.index = plate->currentProfile;
    QCOMPARE(bytesOf(plate->profiles[plate->currentProfile]), bytesOf(file));
    QCOMPARE(window.selector->currentText(), QStringLiteral("Endurance"));
}

void TestProfileRow::unpluggingWhileTheDialogIsOpenCancelsTheOperation() {
    VirtualBus bus;
    VirtualDevice& first = bus.addWheelBase("wheelbase-a");
    VirtualDevice& second = bus.addWheelBase("wheelbase-b");
    Window window;
    QTRY_VERIFY_WITH_TIMEOUT(window.ready() && window.devices->count() == 2, kTimeoutMs);
    const QString secondPath = QString::fromStdString(second.socketPath());
    DialogScript dialogs;

    // The selection moves on to the other wheel base: its profile is not what was asked for.
    dialogs.answerFileDialog(path("never.tprf"), [&] {
        first.unplug();
        QVERIFY(QTest::qWaitFor(
            [&] {
                return window.window.selectedDevice() &&
                       window.window.selectedDevice()->path == secondPath;
            },
            kTimeoutMs));
    });
    QTest::mouseClick(window.save, Qt::LeftButton);
    QVERIFY(dialogs.done());
    QVERIFY(!QFileInfo::exists(path("never.tprf")));

    // No device is left to load into.
    QTRY_VERIFY_WITH_TIMEOUT(window.ready(), kTimeoutMs);
    const TarnUsbWheelBaseProfileV5 file = distinctWheelBaseProfile();
    QVERIFY(writeFile(path("late.tprf"), buildProfileFileImage(4, &file, sizeof file)));
    dialogs.answerFileDialog(path("late.tprf"), [&] {
        second.unplug();
        QVERIFY(QTest::qWaitFor([&] { return !window.window.selectedDevice(); }, kTimeoutMs));
    });
    QTest::mouseClick(window.load, Qt::LeftButton);
    QVERIFY(dialogs.done());
    QCOMPARE(dialogs.shown.size(), 2);
}

QTEST_MAIN(TestProfileRow)
#include "tst_profilerow.moc"
