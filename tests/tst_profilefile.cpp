// The .tprf file image and the conversions of the older formats, byte for byte, without files.
// The expected images were computed independently of the tool's own checksum routine.

#include "buttonplate/buttonplaterecords.h"
#include "pedals/pedalsprofilefiles.h"
#include "pedals/pedalsrecords.h"
#include "profiles/profilefile.h"
#include "wheelbase/wheelbaseprofilefiles.h"
#include "wheelbase/wheelbaserecords.h"

#include <QtTest>

#include <cstring>

namespace {

// A record of `size` bytes: index 2, the name "Wet Monza" (or 16 given bytes), then 7i + 3.
QByteArray patternRecord(int size, const QByteArray& name = QByteArray("Wet Monza")) {
    QByteArray record(size, '\0');
    for (int i = 0; i < size; ++i)
        record[i] = char(i * 7 + 3);
    record[0] = 2;
    record.replace(1, 16, name.leftJustified(16, '\0'));
    return record;
}

const QByteArray kWheelBaseImage = QByteArray::fromHex(
    "04000000afdebaf002576574204d6f6e7a61000000000000007a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff"
    "060d141b222930373e454c535a61686f7600003f1371d7");
const QByteArray kPedalsImage = QByteArray::fromHex(
    "02000000afdebaf002576574204d6f6e7a61000000000000007a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff"
    "060d141b222930373e45009ec7af83");
const QByteArray kButtonPlateImage = QByteArray::fromHex(
    "01000000afdebaf002576574204d6f6e7a61000000000000007a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff"
    "060d0048c4be0a");

template <typename Record> QByteArray bytesOf(const Record& record) {
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof record);
}

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT

private slots:
    void layout();
    void imageByteForByte_data();
    void imageByteForByte();
    void everyByteOfAnImageIsChecked_data();
    void everyByteOfAnImageIsChecked();
    void otherSizesAreAnotherFormat();
    void legacyWheelBaseConversion();
    void legacyWheelBaseChecksumCoversOnlyTheFirst40Bytes();
    void legacyPedalsConversion();
    void legacyPedalsChecksumMismatchLeavesTheRecord();
};

void TestProfileFile::layout() {
    QCOMPARE(profileFileSize(sizeof(TarnUsbWheelBaseProfileV5)), size_t(68));
    QCOMPARE(profileFileSize(sizeof(TarnUsbPedalsProfileV2)), size_t(60));
    QCOMPARE(profileFileSize(sizeof(TarnUsbBleButtonPlateProfile)), size_t(52));
    QCOMPARE(profileFilePadSize(sizeof(TarnUsbWheelBaseProfileV5)), size_t(2));
    QCOMPARE(profileFilePadSize(sizeof(TarnUsbPedalsProfileV2)), size_t(1));
    QCOMPARE(profileFilePadSize(sizeof(TarnUsbBleButtonPlateProfile)), size_t(1));
}

void TestProfileFile::imageByteForByte_data() {
    QTest::addColumn<uint>("fileType");
    QTest::addColumn<int>("recordSize");
    QTest::addColumn<QByteArray>("image");
    QTest::newRow("wheel base") << 4u << int(sizeof(TarnUsbWheelBaseProfileV5)) << kWheelBaseImage;
    QTest::newRow("pedals") << 2u << int(sizeof(TarnUsbPedalsProfileV2)) << kPedalsImage;
    QTest::newRow("button plate") << 1u << int(sizeof(TarnUsbBleButtonPlateProfile))
                                  << kButtonPlateImage;
}

void TestProfileFile::imageByteForByte() {
    QFETCH(uint, fileType);
    QFETCH(int, recordSize);
    QFETCH(QByteArray, image);
    const QByteArray record = patternRecord(recordSize);

    QCOMPARE(buildProfileFileImage(fileType, record.constData(), size_t(recordSize)).toHex(),
             image.toHex());
    QCOMPARE(checkProfileFileImage(image, fileType, size_t(recordSize)), ProfileImageCheck::Valid);
    QCOMPARE(image.mid(8, recordSize), record);
}

void TestProfileFile::everyByteOfAnImageIsChecked_data() {
    imageByteForByte_data();
}

void TestProfileFile::everyByteOfAnImageIsChecked() {
    QFETCH(uint, fileType);
    QFETCH(int, recordSize);
    QFETCH(QByteArray, image);
    for (int at = 0; at < image.size(); ++at) {
        QByteArray altered = image;
        altered[at] = char(altered[at] ^ 0x01);
        // Type and magic tell our format from others; the record, the pad and the checksum
        // itself are all covered by the checksum.
        const ProfileImageCheck expected =
            at < 8 ? ProfileImageCheck::OtherFormat : ProfileImageCheck::Corrupted;
        QVERIFY2(checkProfileFileImage(altered, fileType, size_t(recordSize)) == expected,
                 qPrintable(QStringLiteral("byte %1").arg(at)));
    }
    QCOMPARE(checkProfileFileImage(image, fileType + 1, size_t(recordSize)),
             ProfileImageCheck::OtherFormat);
}

void TestProfileFile::otherSizesAreAnotherFormat() {
    QCOMPARE(checkProfileFileImage(kWheelBaseImage.left(67), 4, 54),
             ProfileImageCheck::OtherFormat);
    QCOMPARE(checkProfileFileImage(kWheelBaseImage + '\0', 4, 54), ProfileImageCheck::OtherFormat);
    QCOMPARE(checkProfileFileImage(QByteArray(), 4, 54), ProfileImageCheck::OtherFormat);
}

void TestProfileFile::legacyWheelBaseConversion() {
    const QByteArray image = QByteArray::fromHex(
        "02576574204d6f6e7a61000000000000007a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff060d141b2229"
        "33e38817");
    QCOMPARE(image.size(), kLegacyWheelBaseFileSize);
    TarnUsbWheelBaseProfileV5 profile;
    std::memset(&profile, 0xEE, sizeof profile);

    QVERIFY(convertLegacyWheelBaseImage(image, profile));

    // The 43 bytes as they were; the fields the older record lacks at their fixed values.
    QCOMPARE(bytesOf(profile).left(43), image.left(43));
    QCOMPARE(int(profile.reserved), 0);
    QCOMPARE(int(profile.staticForceReduction), 0);
    QCOMPARE(int(profile.nonLinearity), 0);
    QCOMPARE(int(profile.slewRate), 2);
    QCOMPARE(int(profile.endStopMaxForce), 100);
    QCOMPARE(int(profile.endStopStiffness), 1);
    QCOMPARE(uint32_t(profile.softEndStopDegrees), 900u); // a copy: the field is unaligned
    QCOMPARE(int(profile.softEndStopEnabled), 0);
    QCOMPARE(bytesOf(profile).mid(43).toHex(), QByteArray("0000000264018403000000"));
}

void TestProfileFile::legacyWheelBaseChecksumCoversOnlyTheFirst40Bytes() {
    QByteArray image = QByteArray::fromHex(
        "02576574204d6f6e7a61000000000000007a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff060d141b2229"
        "33e38817");
    image[40] = 'x';
    image[41] = 'y';
    image[42] = 'z';
    TarnUsbWheelBaseProfileV5 profile{};
    QVERIFY(convertLegacyWheelBaseImage(image, profile));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(&profile.frictionEffect), 3),
             QByteArray("xyz"));

    for (int at : {0, 17, 39, 43, 46}) {
        QByteArray altered = image;
        altered[at] = char(altered[at] ^ 0x80);
        TarnUsbWheelBaseProfileV5 untouched;
        std::memset(&untouched, 0x5A, sizeof untouched);
        const QByteArray before = bytesOf(untouched);
        QVERIFY2(!convertLegacyWheelBaseImage(altered, untouched),
                 qPrintable(QStringLiteral("byte %1").arg(at)));
        QCOMPARE(bytesOf(untouched), before);
    }
}

void TestProfileFile::legacyPedalsConversion() {
    // Older record: name of 16 bytes without terminator, maximums 10, 200, 255, minimums 0, 7,
    // 255, curves a4..1b.
    const QByteArray image = QByteArray::fromHex(
        "024142434445464748494a4b4c4d4e4f500ac8ff0007ffa4abb2b9c0c7ced5dce3eaf1f8ff060d141b52daae"
        "0b");
    QCOMPARE(image.size(), kLegacyPedalsFileSize);
    TarnUsbPedalsProfileV2 profile;
    std::memset(&profile, 0xEE, sizeof profile);

    QVERIFY(convertLegacyPedalsImage(image, profile));

    QCOMPARE(bytesOf(profile).toHex(),
             QByteArray("024142434445464748494a4b4c4d4e4f00de032003e90200000700ff00a4abb2b9c0c7"
                        "ced5dce3eaf1f8ff060d141b"));
    QCOMPARE(QByteArray(profile.name), QByteArray("ABCDEFGHIJKLMNO"));
    QCOMPARE(int(profile.clutchMaxForceAdjustment), 990);
    QCOMPARE(int(profile.brakeMaxForceAdjustment), 800);
    QCOMPARE(int(profile.throttleMaxForceAdjustment), 745);
    QCOMPARE(int(profile.clutchMinForceAdjustment), 0);
    QCOMPARE(int(profile.brakeMinForceAdjustment), 7);
    QCOMPARE(int(profile.throttleMinForceAdjustment), 255);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(profile.clutchCurve), 18), image.mid(23, 18));
}

void TestProfileFile::legacyPedalsChecksumMismatchLeavesTheRecord() {
    QByteArray image = QByteArray::fromHex(
        "024142434445464748494a4b4c4d4e4f500ac8ff0007ffa4abb2b9c0c7ced5dce3eaf1f8ff060d141b52daae"
        "0b");
    image[20] = char(image[20] + 1);
    TarnUsbPedalsProfileV2 profile;
    std::memset(&profile, 0x5A, sizeof profile);
    const QByteArray before = bytesOf(profile);
    QVERIFY(!convertLegacyPedalsImage(image, profile));
    QCOMPARE(bytesOf(profile), before);
}

QTEST_APPLESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
