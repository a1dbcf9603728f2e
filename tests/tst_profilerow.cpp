// The profile lists of the three device classes: adding, removing, a renamed profile's name, and
// the active profile saved to its kind's file or loaded from one. Then the profile row of the
// main window against two virtual wheel bases, only that it reaches the lists, the files
// (tst_profilefile), the page and the device, and a device that leaves while a dialog is open.

#include "app/devicekinds.h"
#include "profiles/profilelist.h"
#include "tests/support/devicepagerig.h"
#include "tests/support/dialogscript.h"
#include "tests/support/fakehiddevice.h"
#include "usb/usbsettingsdevice.h"
#include "wheelbase/wheelbaserecords.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const TarnDeviceKind kSettingsKinds[] = {TarnDeviceKind::WheelBase, TarnDeviceKind::Pedals,
                                         TarnDeviceKind::ButtonPlate};

// A device of `kind` on a connection that takes every request and never answers.
std::unique_ptr<UsbSettingsDevice> makeDevice(TarnDeviceKind kind) {
    auto handle = std::make_unique<FakeHidDevice>(std::make_shared<FakeHidDevice::Log>());
    return std::unique_ptr<UsbSettingsDevice>(
        qobject_cast<UsbSettingsDevice*>(openTarnDevice(kind, "test", std::move(handle))));
}

QByteArray recordBytes(UsbSettingsDevice& device, int index) {
    return QByteArray(reinterpret_cast<const char*>(device.profileRecord(index)),
                      int(device.profileList().recordSize));
}

// `count` profiles named "Name <i>", each with content of its own after the name.
void fillList(UsbSettingsDevice& device, int count, int current) {
    for (int i = 0; i < count; ++i) {
        uint8_t* record = device.profileRecord(i);
        record[0] = uint8_t(i);
        std::memset(record + 1, 0, 16);
        std::snprintf(reinterpret_cast<char*>(record + 1), 16, "Name %d", i);
        for (size_t b = 17; b < device.profileList().recordSize; ++b)
            record[b] = uint8_t(size_t(i) * 31 + b);
    }
    device.profileCount = uint8_t(count);
    device.currentProfile = uint8_t(current);
}

constexpr int kTimeoutMs = 15000;
using Rig = PageRig<WheelBaseModel, UsbDeviceTarnWheelBase, 1>;

// Whether the last live update (command 12) a device not the rig's own received has ended.
bool liveUpdateEnded(const VirtualDevice& device) {
    const auto updates = withCommand(device.receivedReports(), kCmdLiveUpdate);
    return !updates.empty() &&
           updates.back().data[UsbDeviceTarnWheelBase::kMarkerOffset] == kEndMarker;
}

QStringList itemsOf(const QComboBox& selector) {
    QStringList names;
    for (int i = 0; i < selector.count(); ++i)
        names << selector.itemText(i);
    return names;
}

// Values inside the page's ranges, so that showing the profile writes the same values back.
const TarnUsbWheelBaseProfileV5 kDistinct{9,  "Loaded", 0.125f, 720, 2,  65536, 77,  7,
                                          33, 12,       5,      40,  2,  1,     0,   2,
                                          92, 20,       3,      1,   90, 4,     700, 1};

} // namespace

class TestProfileRow : public QObject {
    Q_OBJECT

private slots:
    void add_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("count");
        const int capacities[] = {100, 40, 100};
        for (int kind : {0, 1, 2}) {
            for (int count : {0, 5, capacities[kind]})
                QTest::addRow("kind %d, %d profiles", kind, count)
                    << kind << capacities[kind] << count;
        }
    }

    // A copy of the last profile, named "Profile <n>", becomes the current one; an empty list
    // gets the kind's first profile: the wheel base's defaults, zeros for the others.
    void add() {
        QFETCH(int, kind);
        QFETCH(int, capacity);
        QFETCH(int, count);
        auto device = makeDevice(kSettingsKinds[kind]);
        QCOMPARE(device->profileList().capacity, capacity);
        fillList(*device, count, count > 0 ? 1 : 0);
        const QByteArray last = count > 0 ? recordBytes(*device, count - 1) : QByteArray();
        QSignalSpy loaded(device.get(), &UsbSettingsDevice::onSettingsLoaded);

        device->addProfile();

        const bool full = count == capacity;
        QCOMPARE(loaded.count(), full ? 0 : 1);
        QCOMPARE(int(device->profileCount), full ? count : count + 1);
        QCOMPARE(int(device->currentProfile), full ? 1 : count);
        if (count > 0)
            QCOMPARE(recordBytes(*device, count - 1), last);
        if (full)
            return;
        const QByteArray added = recordBytes(*device, count);
        QCOMPARE(
            added.left(17),
            char(count) +
                QByteArray("Profile ").append(QByteArray::number(count)).leftJustified(16, '\0'));
        // Index, name, centre offset, rotation 900, encoder type 3 at 4194304, force 50,
        // smoothing 1, damping 1.
        const TarnUsbWheelBaseProfileV5 defaults{0, "", 0.0f, 900, 3, 4194304, 50, 1, 1, 0, 0, 0,
                                                 0, 0,  0,    0,   0, 0,       0,  0, 0, 0, 0, 0};
        const QByteArray first =
            kind == 0 ? QByteArray(reinterpret_cast<const char*>(&defaults), sizeof defaults)
                      : QByteArray(added.size(), '\0');
        QCOMPARE(added.mid(17).toHex(), (count > 0 ? last : first).mid(17).toHex());
    }

    void remove_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("newCurrent");
        QTest::newRow("middle: the next one becomes current") << 3 << 1 << 1;
        QTest::newRow("last: the new last one becomes current") << 3 << 2 << 1;
        QTest::newRow("the only one stays") << 1 << 0 << 0;
    }

    // The profiles after the removed one move up and are renumbered.
    void remove() {
        QFETCH(int, count);
        QFETCH(int, current);
        QFETCH(int, newCurrent);
        auto device = makeDevice(TarnDeviceKind::WheelBase);
        fillList(*device, count, current);
        QByteArrayList kept;
        for (int i = 0; i < count; ++i)
            kept << recordBytes(*device, i);
        if (count > 1)
            kept.removeAt(current);
        QSignalSpy loaded(device.get(), &UsbSettingsDevice::onSettingsLoaded);

        device->removeActiveProfile();

        QCOMPARE(loaded.count(), count > 1 ? 1 : 0);
        QCOMPARE(int(device->profileCount), kept.size());
        QCOMPARE(int(device->currentProfile), newCurrent);
        for (int i = 0; i < kept.size(); ++i)
            QCOMPARE(recordBytes(*device, i), char(i) + kept[i].mid(1));
    }

    // Each kind saves the active profile in its own format and loads a file of it over the
    // active profile, which keeps its index; the others stay, and nothing is signalled. Files of
    // other kinds are refused by their managers (tst_profilefile).
    void profileFilesOfEachKind() {
        QTemporaryDir folder;
        for (int kind : {0, 1, 2}) {
            auto device = makeDevice(kSettingsKinds[kind]);
            const DeviceKind& entry = *deviceKindOf(device.get());
            fillList(*device, 3, 1);
            const QString name = folder.filePath(QString::number(kind));
            QCOMPARE(entry.saveProfileFile(*device, device->currentProfile, name), QString());
            const QByteArray saved = recordBytes(*device, 1);
            const QByteArray others = recordBytes(*device, 0) + recordBytes(*device, 1);
            device->currentProfile = 2;
            QSignalSpy loaded(device.get(), &UsbSettingsDevice::onSettingsLoaded);

            QCOMPARE(entry.loadProfileFile(*device, name), QString());

            QCOMPARE(recordBytes(*device, 2), char(2) + saved.mid(1));
            QCOMPARE(recordBytes(*device, 0) + recordBytes(*device, 1), others);
            QCOMPARE(loaded.count(), 0);
        }
    }

    // At most 15 bytes, a character kept whole or left out, the rest of the 15 wiped and nothing
    // after them touched: every cut position against characters of one to four bytes.
    void storeProfileName() {
        for (char32_t character : {U'a', U'é', U'€', U'\U0001F3CE'}) {
            const QByteArray encoded = QString::fromUcs4(&character, 1).toUtf8();
            for (int lead = 0; lead <= 16; ++lead) {
                const QByteArray utf8 = QByteArray(lead, 'b') + encoded + encoded;
                QByteArray expected = utf8.left(qMin(lead, 15));
                for (int i = 0; i < 2 && lead < 15 && expected.size() + encoded.size() <= 15; ++i)
                    expected += encoded;
                QByteArray record(54, 'x');
                record[16] = '\0';
                QCOMPARE(::storeProfileName(reinterpret_cast<uint8_t*>(record.data()),
                                            utf8.constData(), size_t(utf8.size())),
                         size_t(expected.size()));
                QCOMPARE(record.mid(1, 16), expected.leftJustified(16, '\0'));
                QCOMPARE(record.mid(17), QByteArray(37, 'x'));
            }
        }
    }

    void walkThroughTheRow() {
        QTemporaryDir files;
        const QString file = files.filePath("p.tprf");
        Rig rig([](WheelBaseModel& m) {
            m.profiles[2] = kDistinct;
            m.profiles[2].index = 2;
            m.activeProfile = 2;
        });
        VirtualDevice& first = rig.device;
        VirtualDevice& second = rig.bus.addWheelBase("wheelbase-b");
        const TARN_wheel_tool& window = *rig.window;
        auto* selector = rig.widget<QComboBox>("comboBox_ProfileName");
        auto* devices = rig.widget<QComboBox>("comboBox_UsbDevice");
        auto* editor = selector->lineEdit();
        QTRY_VERIFY_WITH_TIMEOUT(showsWheelBase(window, first) && devices->count() == 2,
                                 kTimeoutMs);
        UsbDeviceTarnWheelBase* device = rig.selected();
        DialogScript dialogs;

        // Saving writes the active profile's file (what it holds shows where it is loaded).
        dialogs.answerFileDialog(file);
        rig.click("pushButton_SaveProfileToFile");
        QCOMPARE(dialogs.shown.last().title + dialogs.shown.last().filters.join('|'),
                 QStringLiteral("Save Profile FileTARN Profile Files (*.tprf)"));
        QCOMPARE(dialogs.shown.last().directory, QDir::currentPath());

        // Choosing another item renames nothing; activating it makes it the active profile.
        const QByteArray before = bytesOf(device->profiles);
        const QStringList names = itemsOf(*selector);
        selector->setCurrentIndex(1);
        QCOMPARE(bytesOf(device->profiles), before);
        emit selector->activated(1);
        QCOMPARE(int(device->currentProfile), 1);
        QVERIFY(rig.liveUpdateSent());

        // Typing renames the active profile's record and item, where the user types, and sends
        // nothing yet.
        first.clearReceivedReports();
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("Nordschleife at night"));
        editor->setCursorPosition(3);
        QTest::keyClicks(editor, QStringLiteral("XY"));
        QCOMPARE(selector->itemText(1), QStringLiteral("NorXYdschleife at night"));
        QCOMPARE(editor->cursorPosition(), 5);
        QVERIFY(!device->updateTimer.isActive() && first.receivedReports().empty());

        // Adding selects the new profile and refills the selector from the records, which hold
        // the name as stored; a live update sends the list (its bytes: tst_devicerequests).
        rig.click("pushButton_AddProfile");
        QStringList renamed = names;
        renamed[1] = QStringLiteral("NorXYdschleife ");
        QCOMPARE(itemsOf(*selector), renamed << "Profile 3");
        QCOMPARE(selector->currentIndex(), 3);
        QVERIFY(rig.liveUpdateSent());
        first.clearReceivedReports();
        rig.click("pushButton_RemoveProfile");
        QCOMPARE(selector->count(), 3);
        QCOMPARE(selector->currentIndex(), 2);
        QVERIFY(rig.liveUpdateSent());

        // Loading the file into the other wheel base: its active profile takes the saved record,
        // the page and the selector show it, and one live update (a begin and an end) carries it.
        devices->setCurrentIndex(1);
        QTRY_VERIFY_WITH_TIMEOUT(showsWheelBase(window, second), kTimeoutMs);
        device = rig.selected();
        QTRY_VERIFY_WITH_TIMEOUT(!device->updateTimer.isActive(), kTimeoutMs);
        first.clearReceivedReports();
        second.clearReceivedReports();
        dialogs.answerFileDialog(file);
        rig.click("pushButton_LoadProfileFromFile");
        QCOMPARE(dialogs.shown.last().title + dialogs.shown.last().filters.join('|'),
                 QStringLiteral("Open Profile FileTARN Profile Files (*.tprf)"));
        QCOMPARE(rig.widget<QSlider>("horiSlider_Force")->value(), 77);
        QCOMPARE(selector->currentText() + selector->itemText(0), QStringLiteral("LoadedLoaded"));
        QTRY_VERIFY_WITH_TIMEOUT(liveUpdateEnded(second), kTimeoutMs);
        QCOMPARE(withCommand(second.receivedReports(), kCmdLiveUpdate).size(), size_t(2));
        QVERIFY(withCommand(first.receivedReports(), kCmdLiveUpdate).empty());

        // A cancelled dialog is reported and changes nothing (the files' other failures:
        // tst_profilefile).
        const QByteArray loaded = bytesOf(device->profiles);
        second.clearReceivedReports();
        dialogs.shown.clear();
        for (const char* button :
             {"pushButton_SaveProfileToFile", "pushButton_LoadProfileFromFile"}) {
            dialogs.answerFileDialog(QString());
            dialogs.closeMessageBox();
            rig.click(button);
        }
        QVERIFY(dialogs.done());
        QCOMPARE(dialogs.shown.size(), 4);
        const QStringList said = {dialogs.shown[1].title + ": " + dialogs.shown[1].text,
                                  dialogs.shown[3].title + ": " + dialogs.shown[3].text};
        QCOMPARE(said, (QStringList{"Unable to save file: File name can't be empty",
                                    "Unable to read file: File name can't be empty"}));
        QCOMPARE(bytesOf(device->profiles), loaded);
        QVERIFY(withCommand(second.receivedReports(), kCmdLiveUpdate).empty());

        // A device that leaves while the dialog is open cancels the operation: the selection
        // moving to another wheel base saves nothing, and with no device nothing is loaded.
        dialogs.answerFileDialog(files.filePath("never.tprf"), [&] {
            second.unplug();
            QVERIFY(QTest::qWaitFor([&] { return showsWheelBase(window, first); }, kTimeoutMs));
        });
        rig.click("pushButton_SaveProfileToFile");
        QVERIFY(!QFileInfo::exists(files.filePath("never.tprf")));
        dialogs.shown.clear();
        dialogs.answerFileDialog(file, [&] {
            first.unplug();
            QVERIFY(QTest::qWaitFor([&] { return !window.selectedDevice(); }, kTimeoutMs));
        });
        rig.click("pushButton_LoadProfileFromFile");
        QVERIFY(dialogs.done());
        QCOMPARE(dialogs.shown.size(), 1);
    }
};

QTEST_MAIN(TestProfileRow)
#include "tst_profilerow.moc"
