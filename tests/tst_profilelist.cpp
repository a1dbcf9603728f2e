// The profile-list operations of the three application device classes: add, remove, replace
// the active profile, and storing a renamed profile's name.

#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "pedals/usbdevicetarnpedals.h"
#include "profiles/profilelist.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QSignalSpy>
#include <QtTest>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// An open device that accepts every request and never answers: the list operations send
// nothing, and nothing here waits for an answer.
class QuietHidDevice : public HidDevice {
public:
    int write(const uint8_t*, size_t length) override { return int(length); }
    int read(uint8_t*, size_t) override { return 0; }
    int setNonblocking(bool) override { return 0; }
    HidCompletionHandle readBegin() override { return {}; }
    int readFinish(uint8_t*, size_t) override { return 0; }

protected:
    std::wstring deviceProductString() override { return L"TARN test device"; }
    std::wstring deviceSerialNumberString() override { return L"0"; }
    std::wstring deviceManufacturerString() override { return L"TARN"; }
};

template <typename Device> std::unique_ptr<Device> makeDevice() {
    return std::make_unique<Device>(QStringLiteral("test"), std::make_unique<QuietHidDevice>());
}

QByteArray recordBytes(UsbSettingsDevice& device, int index) {
    return QByteArray(reinterpret_cast<const char*>(device.profileRecord(index)),
                      int(device.profileList().recordSize));
}

QString nameOf(UsbSettingsDevice& device, int index) {
    return QString::fromUtf8(reinterpret_cast<const char*>(device.profileRecord(index) + 1));
}

// `count` profiles named "Name <i>", each with its own content after the name.
void fillList(UsbSettingsDevice& device, int count, int current) {
    for (int i = 0; i < count; ++i) {
        uint8_t* record = device.profileRecord(i);
        record[0] = uint8_t(i);
        std::memset(record + 1, 0, 16);
        std::snprintf(reinterpret_cast<char*>(record + 1), 16, "Name %d", i);
        for (size_t b = 17; b < device.profileList().recordSize; ++b)
            record[b] = uint8_t(i * 31 + b);
    }
    device.profileCount = uint8_t(count);
    device.currentProfile = uint8_t(current);
}

template <typename Device> void checkAddCopiesTheLastProfile() {
    auto device = makeDevice<Device>();
    fillList(*device, 5, 1);
    const QByteArray last = recordBytes(*device, 4);
    QSignalSpy loaded(device.get(), &UsbSettingsDevice::onSettingsLoaded);

    device->addProfile();

    QCOMPARE(loaded.count(), 1);
    QCOMPARE(int(device->profileCount), 6);
    QCOMPARE(int(device->currentProfile), 5);
    QCOMPARE(int(device->profileRecord(5)[0]), 5);
    QCOMPARE(nameOf(*device, 5), QStringLiteral("Profile 5"));
    QCOMPARE(device->profileRecord(5)[16], uint8_t(0));
    QCOMPARE(recordBytes(*device, 5).mid(17), last.mid(17));
    QCOMPARE(recordBytes(*device, 4), last);
}

template <typename Device> void checkAddAtCapacityDoesNothing() {
    auto device = makeDevice<Device>();
    fillList(*device, Device::kCapacity, 3);
    const QByteArray last = recordBytes(*device, Device::kCapacity - 1);
    QSignalSpy loaded(device.get(), &UsbSettingsDevice::onSettingsLoaded);

    device->addProfile();

    QCOMPARE(loaded.count(), 0);
    QCOMPARE(int(device->profileCount), Device::kCapacity);
    QCOMPARE(int(device->currentProfile), 3);
    QCOMPARE(recordBytes(*device, Device::kCapacity - 1), last);
}

template <typename Device> void checkAddOnAnEmptyListNamesAZeroRecord() {
    auto device = makeDevice<Device>();
    device->addProfile();
    QCOMPARE(int(device->profileCount), 1);
    QCOMPARE(int(device->currentProfile), 0);
    QCOMPARE(nameOf(*device, 0), QStringLiteral("Profile 0"));
    QCOMPARE(recordBytes(*device, 0).mid(17),
             QByteArray(int(device->profileList().recordSize) - 17, '\0'));
}

} // namespace

class TestProfileList : public QObject {
    Q_OBJECT

private slots:
    void removeCurrentProfile_data();
    void removeCurrentProfile();
    void removeWithOneProfileLeftDoesNothing();
    void addCopiesTheLastProfileAsTheNewCurrentOne();
    void addAtCapacityDoesNothing();
    void addOnAnEmptyWheelBaseGivesTheDefaults();
    void addOnAnEmptyPedalsOrButtonPlateGivesAZeroRecord();
    void replaceActiveProfileKeepsTheIndex();
    void storeProfileNameCutsAt15Bytes_data();
    void storeProfileNameCutsAt15Bytes();
    void storeProfileNameNeverSplitsACharacter();
};

void TestProfileList::removeCurrentProfile_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("newCurrent");
    QTest::newRow("first") << 0 << QStringList{"Name 1", "Name 2"} << 0;
    QTest::newRow("middle: the next one becomes current")
        << 1 << QStringList{"Name 0", "Name 2"} << 1;
    QTest::newRow("last: the new last one becomes current")
        << 2 << QStringList{"Name 0", "Name 1"} << 1;
}

void TestProfileList::removeCurrentProfile() {
    QFETCH(int, current);
    QFETCH(QStringList, names);
    QFETCH(int, newCurrent);
    auto device = makeDevice<UsbDeviceTarnWheelBase>();
    fillList(*device, 3, current);
    const QByteArray kept[] = {recordBytes(*device, 0), recordBytes(*device, 1),
                               recordBytes(*device, 2)};
    QSignalSpy loaded(device.get(), &UsbSettingsDevice::onSettingsLoaded);

    device->removeActiveProfile();

    QCOMPARE(loaded.count(), 1);
    QCOMPARE(int(device->profileCount), 2);
    QCOMPARE(int(device->currentProfile), newCurrent);
    int survivor = 0;
    for (int i = 0; i < 2; ++i, ++survivor) {
        if (survivor == current)
            ++survivor;
        QCOMPARE(nameOf(*device, i), names[i]);
        QCOMPARE(int(device->profileRecord(i)[0]), i);
        QCOMPARE(recordBytes(*device, i).mid(1), kept[survivor].mid(1));
    }
}

void TestProfileList::removeWithOneProfileLeftDoesNothing() {
    auto device = makeDevice<UsbDeviceTarnPedals>();
    fillList(*device, 1, 0);
    const QByteArray only = recordBytes(*device, 0);
    QSignalSpy loaded(device.get(), &UsbSettingsDevice::onSettingsLoaded);

    device->removeActiveProfile();

    QCOMPARE(loaded.count(), 0);
    QCOMPARE(int(device->profileCount), 1);
    QCOMPARE(int(device->currentProfile), 0);
    QCOMPARE(recordBytes(*device, 0), only);
}

void TestProfileList::addCopiesTheLastProfileAsTheNewCurrentOne() {
    checkAddCopiesTheLastProfile<UsbDeviceTarnWheelBase>();
    checkAddCopiesTheLastProfile<UsbDeviceTarnPedals>();
    checkAddCopiesTheLastProfile<UsbDeviceTarnButtonPlate>();
}

void TestProfileList::addAtCapacityDoesNothing() {
    QCOMPARE(UsbDeviceTarnWheelBase::kCapacity, 100);
    QCOMPARE(UsbDeviceTarnPedals::kCapacity, 40);
    QCOMPARE(UsbDeviceTarnButtonPlate::kCapacity, 100);
    checkAddAtCapacityDoesNothing<UsbDeviceTarnWheelBase>();
    checkAddAtCapacityDoesNothing<UsbDeviceTarnPedals>();
    checkAddAtCapacityDoesNothing<UsbDeviceTarnButtonPlate>();
}

void TestProfileList::addOnAnEmptyWheelBaseGivesTheDefaults() {
    auto device = makeDevice<UsbDeviceTarnWheelBase>();
    QSignalSpy loaded(device.get(), &UsbSettingsDevice::onSettingsLoaded);

    device->addProfile();

    QCOMPARE(loaded.count(), 1);
    QCOMPARE(int(device->profileCount), 1);
    QCOMPARE(int(device->currentProfile), 0);
    TarnUsbWheelBaseProfileV5 expected{};
    std::strcpy(expected.name, "Profile 0");
    expected.encoderType = 3;
    expected.encoderResolution = 4194304;
    expected.rotationDegrees = 900;
    expected.force = 50;
    expected.smoothing = 1;
    expected.damping = 1;
    QCOMPARE(recordBytes(*device, 0),
             QByteArray(reinterpret_cast<const char*>(&expected), sizeof expected));
}

void TestProfileList::addOnAnEmptyPedalsOrButtonPlateGivesAZeroRecord() {
    checkAddOnAnEmptyListNamesAZeroRecord<UsbDeviceTarnPedals>();
    checkAddOnAnEmptyListNamesAZeroRecord<UsbDeviceTarnButtonPlate>();
}

void TestProfileList::replaceActiveProfileKeepsTheIndex() {
    auto device = makeDevice<UsbDeviceTarnButtonPlate>();
    fillList(*device, 3, 1);
    const QByteArray others[] = {recordBytes(*device, 0), recordBytes(*device, 2)};
    TarnUsbBleButtonPlateProfile loaded{};
    loaded.index = 7;
    std::strcpy(loaded.name, "From a file");
    loaded.clutchBitePoint = 42.5f;
    loaded.ledBrightness = 9;
    QSignalSpy signalled(device.get(), &UsbSettingsDevice::onSettingsLoaded);

    device->replaceActiveProfile(loaded);

    QCOMPARE(signalled.count(), 0);
    QCOMPARE(int(device->profiles[1].index), 1);
    QCOMPARE(recordBytes(*device, 1).mid(1),
             QByteArray(reinterpret_cast<const char*>(&loaded), sizeof loaded).mid(1));
    QCOMPARE(recordBytes(*device, 0), others[0]);
    QCOMPARE(recordBytes(*device, 2), others[1]);
}

void TestProfileList::storeProfileNameCutsAt15Bytes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("20 characters")
        << QStringLiteral("ABCDEFGHIJKLMNOPQRST") << QByteArray("ABCDEFGHIJKLMNO");
    QTest::newRow("exactly 15") << QStringLiteral("ABCDEFGHIJKLMNO")
                                << QByteArray("ABCDEFGHIJKLMNO");
    QTest::newRow("shorter: the old name is wiped") << QStringLiteral("Rain") << QByteArray("Rain");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("two-byte characters")
        << QStringLiteral("Größe Übersteuern") << QByteArray("Größe Überst");
    QTest::newRow("a character across the cut is left out")
        << QStringLiteral("ABCDEFGHIJKLMNé") << QByteArray("ABCDEFGHIJKLMN");
}

void TestProfileList::storeProfileNameCutsAt15Bytes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, stored);
    TarnUsbWheelBaseProfileV5 record{};
    std::memset(record.name, 'x', sizeof record.name - 1);
    record.centerOffset = 0.25f;
    const QByteArray utf8 = text.toUtf8();

    QCOMPARE(storeProfileName(reinterpret_cast<uint8_t*>(&record), utf8.constData(),
                              size_t(utf8.size())),
             size_t(stored.size()));

    QByteArray expectedName = stored;
    expectedName.append(QByteArray(16 - stored.size(), '\0'));
    QCOMPARE(QByteArray(record.name, 16), expectedName);
    QCOMPARE(float(record.centerOffset), 0.25f); // a copy: the field is unaligned
}

void TestProfileList::storeProfileNameNeverSplitsACharacter() {
    // Every cut position against characters of two, three and four bytes.
    for (char32_t character : {U'é', U'€', U'\U0001F3CE'}) {
        for (int lead = 0; lead <= 15; ++lead) {
            QVector<uint> characters(lead, 'a');
            characters << character << character;
            const QString text = QString::fromUcs4(characters.constData(), characters.size());
            const QByteArray utf8 = text.toUtf8();
            QByteArray expected;
            for (uint c : characters) {
                const QByteArray encoded = QString::fromUcs4(&c, 1).toUtf8();
                if (expected.size() + encoded.size() > 15)
                    break;
                expected += encoded;
            }
            uint8_t record[sizeof(TarnUsbPedalsProfileV2)] = {};

            storeProfileName(record, utf8.constData(), size_t(utf8.size()));

            QCOMPARE(QByteArray(reinterpret_cast<const char*>(record + 1)), expected);
        }
    }
}

QTEST_GUILESS_MAIN(TestProfileList)
#include "tst_profilelist.moc"
