// The profile lists of the three device classes: adding, removing, a renamed profile's name, and
// saving the active profile to its kind's file or loading one over it, as the profile row does.

#include "app/devicekinds.h"
#include "profiles/profilelist.h"
#include "tests/support/fakehiddevice.h"
#include "usb/usbsettingsdevice.h"
#include "wheelbase/wheelbaserecords.h"

#include <QSignalSpy>
#include <QTemporaryDir>
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

} // namespace

class TestProfileList : public QObject {
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
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("newCurrent");
        QTest::newRow("middle: the next one becomes current")
            << 3 << 1 << QStringList{"Name 0", "Name 2"} << 1;
        QTest::newRow("last: the new last one becomes current")
            << 3 << 2 << QStringList{"Name 0", "Name 1"} << 1;
        QTest::newRow("the only one stays") << 1 << 0 << QStringList{"Name 0"} << 0;
    }

    // The profiles after the removed one move up and are renumbered.
    void remove() {
        QFETCH(int, count);
        QFETCH(int, current);
        QFETCH(QStringList, names);
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
        QCOMPARE(int(device->profileCount), names.size());
        QCOMPARE(int(device->currentProfile), newCurrent);
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(device->profileRecord(i) + 1)),
                     names[i].toUtf8());
            QCOMPARE(recordBytes(*device, i), char(i) + kept[i].mid(1));
        }
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
};

QTEST_GUILESS_MAIN(TestProfileList)
#include "tst_profilelist.moc"
