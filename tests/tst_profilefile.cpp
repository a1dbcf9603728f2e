// Profile files: the .tprf image byte for byte, and saving and loading each device kind's files
// through its manager — the older formats, every failure, and what a failure must leave alone.
// The expected images and their word-wise CRCs were computed independently of the tool's own
// checksum routine.

#include "buttonplate/buttonplateprofilefiles.h"
#include "pedals/pedalsprofilefiles.h"
#include "profiles/profilefile.h"
#include "tests/support/files.h"
#include "wheelbase/wheelbaseprofilefiles.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <functional>
#include <sys/resource.h>

namespace {

const QString kEmptyName = QStringLiteral("File name can't be empty");
const QString kShortRead = QStringLiteral("Can't read all data from file");
const QString kCorrupted = QStringLiteral("Corrupted file");
const QString kUnknown = QStringLiteral("Unknown file format");
const QString kShortWrite = QStringLiteral("Can't write all data");

// A record of `size` bytes: index 2, the name "Wet Monza", then 7i + 3.
QByteArray patternRecord(int size) {
    QByteArray record(size, '\0');
    for (int i = 0; i < size; ++i)
        record[i] = char(i * 7 + 3);
    record[0] = 2;
    record.replace(1, 16, QByteArray("Wet Monza").leftJustified(16, '\0'));
    return record;
}

// A record no load may touch unless it succeeds.
QByteArray sentinel(int size) {
    return QByteArray(size, char(0xA5));
}

QByteArray flipped(QByteArray bytes, int at) {
    bytes[at] = char(bytes[at] ^ 0x10);
    return bytes;
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
// The older files: 43 bytes of the wheel-base record, and 41 of the older pedals record (a name
// of 16 bytes without terminator, maximums 10, 200, 255, minimums 0, 7, 255, curves a4..1b),
// each followed by the checksum of its first 40 bytes.
const QByteArray kOldWheelBaseFile = QByteArray::fromHex(
    "02576574204d6f6e7a61000000000000007a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff060d141b222933e3"
    "8817");
const QByteArray kOldPedalsFile = QByteArray::fromHex(
    "024142434445464748494a4b4c4d4e4f500ac8ff0007ffa4abb2b9c0c7ced5dce3eaf1f8ff060d141b52daae0b");
// What the older wheel-base record lacks, at its fixed values: slew rate 2, end-stop force 100,
// stiffness 1, soft end stop at 900 degrees and off.
const QByteArray kOldWheelBaseTail = QByteArray::fromHex("0000000264018403000000");

// One device kind's files, reached through its manager with the record as bytes.
struct FileKind {
    uint32_t fileType;
    int recordSize;
    QByteArray image; // of patternRecord(recordSize)
    std::function<QString(const QString&, const QByteArray&)> save;
    std::function<QString(const QString&, QByteArray&)> load;
};

template <class Manager, class Record> FileKind fileKind(const QByteArray& image) {
    return {Manager::kFileType, int(sizeof(Record)), image,
            [](const QString& path, const QByteArray& bytes) {
                Record record;
                std::memcpy(&record, bytes.constData(), sizeof record);
                return Manager().saveToFile(path, record);
            },
            [](const QString& path, QByteArray& bytes) {
                Record record;
                std::memcpy(&record, bytes.constData(), sizeof record);
                QString error = Manager().loadFromFile(path, record);
                bytes = QByteArray(reinterpret_cast<const char*>(&record), sizeof record);
                return error;
            }};
}

enum Kind { WheelBase, Pedals, ButtonPlate };
const FileKind kKinds[] = {
    fileKind<WheelBaseProfilesManager, TarnUsbWheelBaseProfileV5>(kWheelBaseImage),
    fileKind<PedalsProfilesManager, TarnUsbPedalsProfileV2>(kPedalsImage),
    fileKind<ButtonPlateProfilesManager, TarnUsbBleButtonPlateProfile>(kButtonPlateImage),
};

// A device that claims more bytes than it delivers, as a file shrinking under our feet does.
class ShortDevice : public QBuffer {
public:
    ShortDevice(const QByteArray& bytes, qint64 claimedSize)
        : claimed(claimedSize) {
        setData(bytes);
        open(QIODevice::ReadOnly);
    }
    qint64 size() const override { return claimed; }

private:
    qint64 claimed;
};

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT

    QString path(const QString& name) const { return directory.filePath(name); }
    QTemporaryDir directory;

private slots:
    void image_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("wheel base, 2 pad bytes") << int(WheelBase);
        QTest::newRow("pedals, 1 pad byte") << int(Pedals);
        QTest::newRow("button plate, 1 pad byte") << int(ButtonPlate);
    }

    // Saving writes the image, over a longer file too; type and magic (a changed byte among the
    // first 8) tell our format from others, and the checksum covers the record, the pad and itself.
    void image() {
        QFETCH(int, kind);
        const FileKind& file = kKinds[kind];
        QVERIFY(writeFile(path("p.tprf"), QByteArray(500, 'o')));
        QCOMPARE(file.save(path("p.tprf"), patternRecord(file.recordSize)), QString());
        QCOMPARE(readFile(path("p.tprf")), file.image);

        const size_t size = size_t(file.recordSize);
        QCOMPARE(checkProfileFileImage(file.image, file.fileType, size), ProfileImageCheck::Valid);
        for (int at = 0; at < file.image.size(); ++at) {
            const ProfileImageCheck expected =
                at < 8 ? ProfileImageCheck::OtherFormat : ProfileImageCheck::Corrupted;
            QVERIFY2(checkProfileFileImage(flipped(file.image, at), file.fileType, size) ==
                         expected,
                     qPrintable(QStringLiteral("byte %1").arg(at)));
        }
        for (const QByteArray& other : {file.image.chopped(1), file.image + '\0', QByteArray()})
            QCOMPARE(checkProfileFileImage(other, file.fileType, size),
                     ProfileImageCheck::OtherFormat);
    }

    void load_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QByteArray>("loaded"); // null: the record is left alone
        const QByteArray untouched;
        QByteArray otherType = kWheelBaseImage;
        otherType[0] = 2;
        QByteArray outsideOldChecksum = kOldWheelBaseFile;
        outsideOldChecksum.replace(40, 3, "xyz");

        QTest::newRow("wheel base")
            << int(WheelBase) << kWheelBaseImage << QString() << patternRecord(54);
        QTest::newRow("a changed byte")
            << int(WheelBase) << flipped(kWheelBaseImage, 40) << kCorrupted << untouched;
        QTest::newRow("another file type") << int(WheelBase) << otherType << kUnknown << untouched;
        QTest::newRow("an empty file") << int(Pedals) << QByteArray("") << kUnknown << untouched;
        QTest::newRow("button plate, a pedals file: no older format")
            << int(ButtonPlate) << kPedalsImage << kUnknown << untouched;
        QTest::newRow("older wheel base, bytes 40..42 lie outside its checksum")
            << int(WheelBase) << outsideOldChecksum << QString()
            << outsideOldChecksum.left(43) + kOldWheelBaseTail;
        for (int at : {39, 43})
            QTest::addRow("older wheel base, byte %d changed", at)
                << int(WheelBase) << flipped(kOldWheelBaseFile, at) << kCorrupted << untouched;
        // The name gets its terminator, the maximums become 1000 - the old byte.
        QTest::newRow("older pedals")
            << int(Pedals) << kOldPedalsFile << QString()
            << QByteArray::fromHex(
                   "024142434445464748494a4b4c4d4e4f00de032003e90200000700ff00a4abb2"
                   "b9c0c7ced5dce3eaf1f8ff060d141b");
        QTest::newRow("older pedals, byte 20 changed")
            << int(Pedals) << flipped(kOldPedalsFile, 20) << kCorrupted << untouched;
    }

    void load() {
        QFETCH(int, kind);
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        QFETCH(QByteArray, loaded);
        const FileKind& file = kKinds[kind];
        QVERIFY(writeFile(path("p.tprf"), content));
        QByteArray record = sentinel(file.recordSize);
        QCOMPARE(file.load(path("p.tprf"), record), error);
        QCOMPARE(record.toHex(), (loaded.isNull() ? sentinel(file.recordSize) : loaded).toHex());
    }

    // An empty name or one the file system refuses gives its own error; neither loading nor
    // saving changes anything.
    void unusableFileNames() {
        QFile missing(path("missing.tprf"));
        QVERIFY(!missing.open(QIODevice::ReadOnly));
        QByteArray record = sentinel(54);
        QCOMPARE(kKinds[WheelBase].load(QString(), record) + "|" +
                     kKinds[WheelBase].load(missing.fileName(), record) + "|" +
                     kKinds[WheelBase].save(QString(), patternRecord(54)),
                 kEmptyName + "|" + missing.errorString() + "|" + kEmptyName);
        QCOMPARE(record, sentinel(54));
        const QString error =
            kKinds[Pedals].save(path("missing/p.tprf"), patternRecord(kKinds[Pedals].recordSize));
        QVERIFY2(!error.isEmpty() && error != kShortWrite, qPrintable(error));
        QVERIFY(!QFileInfo::exists(path("missing")));
    }

    void failedSaveKeepsTheFileItWouldReplace() {
        QTemporaryDir folder;
        const QString name = folder.filePath("keep.tprf");
        QVERIFY(writeFile(name, "an older profile"));
        // Writes past the 16th byte of any file fail, as on a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        const rlimit limited{16, previous.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const QString error = kKinds[WheelBase].save(name, patternRecord(54));
        setrlimit(RLIMIT_FSIZE, &previous);
        QCOMPARE(error, kShortWrite);
        QCOMPARE(readFile(name), QByteArray("an older profile"));
        // Nothing half-written is left beside it.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"keep.tprf"});
    }

    void shortReads() {
        TarnUsbWheelBaseProfileV5 target;
        std::memset(&target, 0xA5, sizeof target);
        ShortDevice current(kWheelBaseImage.left(60), kWheelBaseImage.size());
        QCOMPARE(WheelBaseProfilesManager().loadFromDevice(current, target), kShortRead);
        ShortDevice older(kOldWheelBaseFile.left(40), kOldWheelBaseFile.size());
        QCOMPARE(WheelBaseProfilesManager().loadFromDevice(older, target), kShortRead);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(&target), sizeof target), sentinel(54));
    }

    // A file of the current size that is not ours reaches the older format's reader at position 0.
    void olderFormatIsReadFromTheStart() {
        struct PositionManager : ProfilesManager<TarnUsbBleButtonPlateProfile, 1> {
            QString loadLegacyFile(QIODevice& file, TarnUsbBleButtonPlateProfile&) override {
                return QStringLiteral("at %1").arg(file.pos());
            }
        };
        QByteArray foreign = kButtonPlateImage;
        foreign[0] = 3;
        QBuffer buffer(&foreign);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        TarnUsbBleButtonPlateProfile target{};
        QCOMPARE(PositionManager().loadFromDevice(buffer, target), QStringLiteral("at 0"));
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
