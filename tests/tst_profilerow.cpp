// The profile row of the main window against two virtual wheel bases: choosing, renaming, adding
// and removing profiles, saving the active profile to a file and loading it into the other wheel
// base through the file dialogs, the failures the row reports, and a device that leaves while a
// dialog is open. The rules of the list and the files are checked in tst_profilelist and
// tst_profilefile; here only that the row reaches them, the page and the device.

#include "profiles/profilefile.h"
#include "tests/support/devicepagerig.h"
#include "tests/support/dialogscript.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSlider>
#include <QtTest>

namespace {

constexpr int kTimeoutMs = 15000;
using Rig = PageRig<WheelBaseModel, UsbDeviceTarnWheelBase, 1>;

// Whether the last live update (command 12) a device not the rig's own received has ended.
bool liveUpdateEnded(const VirtualDevice& device) {
    const auto updates = withCommand(device.receivedReports(), kCmdLiveUpdate);
    return !updates.empty() &&
           updates.back().data[UsbDeviceTarnWheelBase::kMarkerOffset] == kEndMarker;
}

// The profile list and the active index as the wheel base holds them, and as the tool does.
QByteArray heldBy(VirtualDevice& device) {
    return device.withModel<WheelBaseModel>([](WheelBaseModel& m) {
        QByteArray list;
        for (const TarnUsbWheelBaseProfileV5& profile : m.profiles)
            list += bytesOf(profile);
        return list + char(m.activeProfile);
    });
}

QByteArray heldBy(const UsbDeviceTarnWheelBase& device) {
    return QByteArray(reinterpret_cast<const char*>(device.profiles), 54 * device.profileCount) +
           char(device.currentProfile);
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

        // Saving writes the active profile's file.
        dialogs.answerFileDialog(file);
        rig.click("pushButton_SaveProfileToFile");
        QCOMPARE(dialogs.shown.last().title + dialogs.shown.last().filters.join('|'),
                 QStringLiteral("Save Profile FileTARN Profile Files (*.tprf)"));
        QCOMPARE(dialogs.shown.last().directory, QDir::currentPath());
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), buildProfileFileImage(4, &device->profiles[2], 54));

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
        // the name as stored; the live update carries the list and the new name.
        rig.click("pushButton_AddProfile");
        QStringList renamed = names;
        renamed[1] = QStringLiteral("NorXYdschleife ");
        QCOMPARE(itemsOf(*selector), renamed << "Profile 3");
        QCOMPARE(selector->currentIndex(), 3);
        QVERIFY(rig.liveUpdateSent());
        QCOMPARE(heldBy(first), heldBy(*device));
        first.clearReceivedReports();
        rig.click("pushButton_RemoveProfile");
        QCOMPARE(selector->count(), 3);
        QCOMPARE(selector->currentIndex(), 2);
        QVERIFY(rig.liveUpdateSent());
        QCOMPARE(heldBy(first), heldBy(*device));

        // Loading the file into the other wheel base: its active profile takes the record under
        // its own index, the page and the selector show it, and one live update (a begin and an
        // end) carries it.
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
        TarnUsbWheelBaseProfileV5 expected = kDistinct;
        expected.index = 0;
        QCOMPARE(bytesOf(device->profiles[0]), bytesOf(expected));
        QCOMPARE(rig.widget<QSlider>("horiSlider_Force")->value(), 77);
        QCOMPARE(selector->currentText() + selector->itemText(0), QStringLiteral("LoadedLoaded"));
        QTRY_VERIFY_WITH_TIMEOUT(liveUpdateEnded(second), kTimeoutMs);
        QCOMPARE(withCommand(second.receivedReports(), kCmdLiveUpdate).size(), size_t(2));
        QCOMPARE(heldBy(second), heldBy(*device));
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
