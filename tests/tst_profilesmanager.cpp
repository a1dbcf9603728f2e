// Saving profiles to .tprf files and loading them back, for the three device kinds: round trips,
// the older formats, every failure and what a failure must leave alone.

#include "buttonplate/buttonplateprofilefiles.h"
#include "pedals/pedalsprofilefiles.h"
#include "profiles/crc.h"
#include "profiles/profilefile.h"
#include "wheelbase/wheelbaseprofilefiles.h"

#include <QBuffer>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace {

const QString kEmptyName = QStringLiteral("File name can't be empty");
const QString kShortRead = QStringLiteral("Can't read all data from file");
const QString kCorrupted = QStringLiteral("Corrupted file");
const QString kUnknown = QStringLiteral("Unknown file format");
const QString kShortWrite = QStringLiteral("Can't write all data");

template <typename Record> QByteArray bytesOf(const Record& record) {
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof record);
}

// A record whose every byte differs from its neighbours, named `name`.
template <typename Record> Record patternRecord(const char* name, int seed) {
    Record record;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&record);
    for (size_t i = 0; i < sizeof record; ++i)
        bytes[i] = uint8_t(seed + i * 13);
    std::memset(record.name, 0, sizeof record.name);
    std::strncpy(record.name, name, sizeof record.name - 1);
    return record;
}

// Marks a record so that any write to it shows.
template <typename Record> Record sentinel() {
    Record record;
    std::memset(&record, 0xA5, sizeof record);
    return record;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The error string a file of the system gives when it cannot be opened for reading.
QString openErrorOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString() : file.errorString();
}

QByteArray checksummed(const QByteArray& body) {
    QByteArray image = body + QByteArray(4, '\0');
    const uint32_t crc =
        tarnCrc32(reinterpret_cast<const uint8_t*>(body.constData()), size_t(body.size()));
    std::memcpy(image.data() + body.size(), &crc, 4);
    return image;
}

// A device that claims more bytes than it can deliver, as a file shrinking under our feet does.
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

// Limits the size of files this process may write, for the life of the object.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limit = previous;
        limit.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    bool active = false;

private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
};

template <typename Manager, typename Record> void checkRoundTrip(const QString& path, int seed) {
    const Record saved = patternRecord<Record>("Round trip", seed);
    QCOMPARE(Manager().saveToFile(path, saved), QString());
    QCOMPARE(readFile(path), buildProfileFileImage(Manager::kFileType, &saved, sizeof saved));

    Record loaded = sentinel<Record>();
    QCOMPARE(Manager().loadFromFile(path, loaded), QString());
    QCOMPARE(bytesOf(loaded), bytesOf(saved));
}

// Loads `bytes` from a file and checks the result; a failure must leave the record alone.
template <typename Manager, typename Record>
void checkLoad(const QString& path, const QByteArray& bytes, const QString& expected) {
    QVERIFY(writeFile(path, bytes));
    Record target = sentinel<Record>();
    QCOMPARE(Manager().loadFromFile(path, target), expected);
    QCOMPARE(bytesOf(target), bytesOf(sentinel<Record>()));
}

template <typename Manager, typename Record> void fuzzLoad(const QString& path, quint32 seed) {
    QRandomGenerator random(seed);
    for (int size = 0; size <= 300; ++size) {
        QByteArray bytes(size, '\0');
        for (char& byte : bytes)
            byte = char(random.bounded(256));
        QVERIFY(writeFile(path, bytes));
        Record target = sentinel<Record>();
        const QString error = Manager().loadFromFile(path, target);
        if (!error.isEmpty())
            QVERIFY2(bytesOf(target) == bytesOf(sentinel<Record>()),
                     qPrintable(QStringLiteral("size %1: %2").arg(size).arg(error)));
    }
}

} // namespace

class TestProfilesManager : public QObject {
    Q_OBJECT

private slots:
    void init();
    void roundTrips();
    void savingOverAnExistingFileReplacesIt();
    void emptyFileName();
    void filesThatCannotBeOpened();
    void shortRead();
    void checksumMismatch();
    void unknownFormats();
    void legacyReaderGetsTheFileFromItsStart();
    void legacyWheelBaseFile();
    void legacyPedalsFile();
    void failedSaveLeavesTheExistingFile();
    void savingIntoAMissingDirectoryFails();
    void randomFilesNeverChangeTheProfile();

private:
    QString path(const QString& name) const { return directory->filePath(name); }
    std::unique_ptr<QTemporaryDir> directory;
};

void TestProfilesManager::init() {
    directory = std::make_unique<QTemporaryDir>();
    QVERIFY(directory->isValid());
}

void TestProfilesManager::roundTrips() {
    checkRoundTrip<WheelBaseProfilesManager, TarnUsbWheelBaseProfileV5>(path("w.tprf"), 1);
    checkRoundTrip<PedalsProfilesManager, TarnUsbPedalsProfileV2>(path("p.tprf"), 2);
    checkRoundTrip<ButtonPlateProfilesManager, TarnUsbBleButtonPlateProfile>(path("b.tprf"), 3);
    QCOMPARE(QFileInfo(path("w.tprf")).size(), 68);
    QCOMPARE(QFileInfo(path("p.tprf")).size(), 60);
    QCOMPARE(QFileInfo(path("b.tprf")).size(), 52);
}

void TestProfilesManager::savingOverAnExistingFileReplacesIt() {
    QVERIFY(writeFile(path("old.tprf"), QByteArray(500, 'o')));
    const auto profile = patternRecord<TarnUsbPedalsProfileV2>("New", 9);
    QCOMPARE(PedalsProfilesManager().saveToFile(path("old.tprf"), profile), QString());
    QCOMPARE(readFile(path("old.tprf")), buildProfileFileImage(2, &profile, sizeof profile));
}

void TestProfilesManager::emptyFileName() {
    auto profile = sentinel<TarnUsbWheelBaseProfileV5>();
    QCOMPARE(WheelBaseProfilesManager().saveToFile(QString(), profile), kEmptyName);
    QCOMPARE(WheelBaseProfilesManager().loadFromFile(QString(), profile), kEmptyName);
    QCOMPARE(bytesOf(profile), bytesOf(sentinel<TarnUsbWheelBaseProfileV5>()));
}

void TestProfilesManager::filesThatCannotBeOpened() {
    QVERIFY(writeFile(path("plain"), QByteArray("x")));
    QVERIFY(QDir(directory->path()).mkdir("folder.tprf"));
    for (const QString& name : {path("missing.tprf"), path("folder.tprf"), path("plain/inner")}) {
        const QString expected = openErrorOf(name);
        QVERIFY2(!expected.isEmpty(), qPrintable(name));
        auto profile = sentinel<TarnUsbBleButtonPlateProfile>();
        QCOMPARE(ButtonPlateProfilesManager().loadFromFile(name, profile), expected);
        QCOMPARE(bytesOf(profile), bytesOf(sentinel<TarnUsbBleButtonPlateProfile>()));
    }
    // Saving onto a directory fails with the file's own error and leaves the directory be.
    const QString error =
        WheelBaseProfilesManager().saveToFile(path("folder.tprf"), TarnUsbWheelBaseProfileV5{});
    QVERIFY(!error.isEmpty());
    QVERIFY(error != kShortWrite);
    QVERIFY(QFileInfo(path("folder.tprf")).isDir());
}

void TestProfilesManager::shortRead() {
    const auto profile = patternRecord<TarnUsbWheelBaseProfileV5>("Short", 4);
    const QByteArray image = buildProfileFileImage(4, &profile, sizeof profile);
    auto target = sentinel<TarnUsbWheelBaseProfileV5>();
    ShortDevice current(image.left(60), image.size());
    QCOMPARE(WheelBaseProfilesManager().loadFromDevice(current, target), kShortRead);
    ShortDevice legacy(QByteArray(40, 'x'), 47);
    QCOMPARE(WheelBaseProfilesManager().loadFromDevice(legacy, target), kShortRead);
    QCOMPARE(bytesOf(target), bytesOf(sentinel<TarnUsbWheelBaseProfileV5>()));
}

void TestProfilesManager::checksumMismatch() {
    const auto wheelBase = patternRecord<TarnUsbWheelBaseProfileV5>("Sum", 5);
    const QByteArray image = buildProfileFileImage(4, &wheelBase, sizeof wheelBase);
    for (int at : {8, 40, 61, 62, 63, 64, 67}) { // record, the two pad bytes, checksum
        QByteArray altered = image;
        altered[at] = char(altered[at] ^ 0x10);
        checkLoad<WheelBaseProfilesManager, TarnUsbWheelBaseProfileV5>(path("w.tprf"), altered,
                                                                       kCorrupted);
    }
    const auto pedals = patternRecord<TarnUsbPedalsProfileV2>("Sum", 6);
    QByteArray pedalsImage = buildProfileFileImage(2, &pedals, sizeof pedals);
    pedalsImage[55] = 1; // the pad byte
    checkLoad<PedalsProfilesManager, TarnUsbPedalsProfileV2>(path("p.tprf"), pedalsImage,
                                                             kCorrupted);
    const auto plate = patternRecord<TarnUsbBleButtonPlateProfile>("Sum", 7);
    QByteArray plateImage = buildProfileFileImage(1, &plate, sizeof plate);
    plateImage[47] = 1; // the pad byte
    checkLoad<ButtonPlateProfilesManager, TarnUsbBleButtonPlateProfile>(path("b.tprf"), plateImage,
                                                                        kCorrupted);
    // Older formats, inside the 40 bytes their checksum covers.
    QByteArray oldWheelBase = checksummed(QByteArray(43, 'w'));
    oldWheelBase[39] = 'x';
    checkLoad<WheelBaseProfilesManager, TarnUsbWheelBaseProfileV5>(path("w.tprf"), oldWheelBase,
                                                                   kCorrupted);
    QByteArray oldPedals = checksummed(QByteArray(41, 'p'));
    oldPedals[0] = 'x';
    checkLoad<PedalsProfilesManager, TarnUsbPedalsProfileV2>(path("p.tprf"), oldPedals, kCorrupted);
}

void TestProfilesManager::unknownFormats() {
    const auto wheelBase = patternRecord<TarnUsbWheelBaseProfileV5>("Tag", 8);
    QByteArray taggedAsPedals = buildProfileFileImage(4, &wheelBase, sizeof wheelBase);
    taggedAsPedals[0] = 2;
    checkLoad<WheelBaseProfilesManager, TarnUsbWheelBaseProfileV5>(path("w.tprf"), taggedAsPedals,
                                                                   kUnknown);
    QByteArray wrongMagic = buildProfileFileImage(4, &wheelBase, sizeof wheelBase);
    wrongMagic[7] = 0;
    checkLoad<WheelBaseProfilesManager, TarnUsbWheelBaseProfileV5>(path("w.tprf"), wrongMagic,
                                                                   kUnknown);

    // Each kind refuses the others' files and files of no known size.
    const auto pedals = patternRecord<TarnUsbPedalsProfileV2>("Kind", 9);
    const QByteArray pedalsImage = buildProfileFileImage(2, &pedals, sizeof pedals);
    checkLoad<WheelBaseProfilesManager, TarnUsbWheelBaseProfileV5>(path("p.tprf"), pedalsImage,
                                                                   kUnknown);
    checkLoad<ButtonPlateProfilesManager, TarnUsbBleButtonPlateProfile>(path("p.tprf"), pedalsImage,
                                                                        kUnknown);
    const QByteArray oldWheelBase = checksummed(QByteArray(43, 'w'));
    checkLoad<PedalsProfilesManager, TarnUsbPedalsProfileV2>(path("o.tprf"), oldWheelBase,
                                                             kUnknown);
    checkLoad<ButtonPlateProfilesManager, TarnUsbBleButtonPlateProfile>(path("o.tprf"),
                                                                        oldWheelBase, kUnknown);
    checkLoad<PedalsProfilesManager, TarnUsbPedalsProfileV2>(path("e.tprf"), QByteArray(),
                                                             kUnknown);
}

void TestProfilesManager::legacyReaderGetsTheFileFromItsStart() {
    struct RecordingManager : ProfilesManager<TarnUsbBleButtonPlateProfile, 1> {
        QString loadLegacyFile(QIODevice& file, TarnUsbBleButtonPlateProfile&) override {
            return QStringLiteral("legacy at %1").arg(file.pos());
        }
    };
    const auto plate = patternRecord<TarnUsbBleButtonPlateProfile>("Pos", 10);
    QByteArray foreign = buildProfileFileImage(3, &plate, sizeof plate);
    QVERIFY(writeFile(path("f.tprf"), foreign));
    TarnUsbBleButtonPlateProfile target{};
    QCOMPARE(RecordingManager().loadFromFile(path("f.tprf"), target),
             QStringLiteral("legacy at 0"));
}

void TestProfilesManager::legacyWheelBaseFile() {
    const auto current = patternRecord<TarnUsbWheelBaseProfileV5>("Old wheel", 11);
    QByteArray image = checksummed(bytesOf(current).left(43));
    QCOMPARE(image.size(), 47);
    // Bytes 40..42 lie outside the older checksum: a change there still loads.
    image[40] = 2;
    image[41] = 1;
    image[42] = 0;
    QVERIFY(writeFile(path("old.tprf"), image));
    auto loaded = sentinel<TarnUsbWheelBaseProfileV5>();

    QCOMPARE(WheelBaseProfilesManager().loadFromFile(path("old.tprf"), loaded), QString());

    QCOMPARE(bytesOf(loaded).left(43), image.left(43));
    QCOMPARE(QByteArray(loaded.name), QByteArray("Old wheel"));
    QCOMPARE(int(loaded.frictionEffect), 2);
    QCOMPARE(int(loaded.inertiaEffect), 1);
    QCOMPARE(int(loaded.springEffect), 0);
    QCOMPARE(int(loaded.reserved), 0);
    QCOMPARE(int(loaded.staticForceReduction), 0);
    QCOMPARE(int(loaded.nonLinearity), 0);
    QCOMPARE(int(loaded.slewRate), 2);
    QCOMPARE(int(loaded.endStopMaxForce), 100);
    QCOMPARE(int(loaded.endStopStiffness), 1);
    QCOMPARE(uint32_t(loaded.softEndStopDegrees), 900u); // a copy: the field is unaligned
    QCOMPARE(int(loaded.softEndStopEnabled), 0);
}

void TestProfilesManager::legacyPedalsFile() {
    QByteArray old(41, '\0');
    old[0] = 3;
    old.replace(1, 16, QByteArray("Sixteen bytes!!!"));
    const char adjustments[] = {0, 100, char(250), 1, 2, char(255)};
    old.replace(17, 6, QByteArray(adjustments, 6));
    for (int i = 0; i < 18; ++i)
        old[23 + i] = char(i * 5);
    QVERIFY(writeFile(path("old.tprf"), checksummed(old)));
    auto loaded = sentinel<TarnUsbPedalsProfileV2>();

    QCOMPARE(PedalsProfilesManager().loadFromFile(path("old.tprf"), loaded), QString());

    QCOMPARE(int(loaded.index), 3);
    QCOMPARE(QByteArray(loaded.name, 16), QByteArray("Sixteen bytes!!\0", 16));
    QCOMPARE(int(loaded.clutchMaxForceAdjustment), 1000);
    QCOMPARE(int(loaded.brakeMaxForceAdjustment), 900);
    QCOMPARE(int(loaded.throttleMaxForceAdjustment), 750);
    QCOMPARE(int(loaded.clutchMinForceAdjustment), 1);
    QCOMPARE(int(loaded.brakeMinForceAdjustment), 2);
    QCOMPARE(int(loaded.throttleMinForceAdjustment), 255);
    QCOMPARE(bytesOf(loaded).mid(29), old.mid(23));
}

void TestProfilesManager::failedSaveLeavesTheExistingFile() {
    const QByteArray existing = QByteArray("an older profile that must survive");
    QVERIFY(writeFile(path("keep.tprf"), existing));
    QString error;
    {
        // Writes past the 16th byte of any file fail, as on a full disk.
        FileSizeLimit limit(16);
        QVERIFY(limit.active);
        error = WheelBaseProfilesManager().saveToFile(
            path("keep.tprf"), patternRecord<TarnUsbWheelBaseProfileV5>("New", 12));
    }
    QCOMPARE(error, kShortWrite);
    QCOMPARE(readFile(path("keep.tprf")), existing);
    // Nothing half-written is left beside it.
    QCOMPARE(QDir(directory->path()).entryList(QDir::Files), QStringList{"keep.tprf"});
}

void TestProfilesManager::savingIntoAMissingDirectoryFails() {
    const QString name = path("missing/p.tprf");
    const QString error = PedalsProfilesManager().saveToFile(name, TarnUsbPedalsProfileV2{});
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFileInfo::exists(name));
}

void TestProfilesManager::randomFilesNeverChangeTheProfile() {
    fuzzLoad<WheelBaseProfilesManager, TarnUsbWheelBaseProfileV5>(path("r.tprf"), 0x7A4E);
    fuzzLoad<PedalsProfilesManager, TarnUsbPedalsProfileV2>(path("r.tprf"), 0x7A4F);
    fuzzLoad<ButtonPlateProfilesManager, TarnUsbBleButtonPlateProfile>(path("r.tprf"), 0x7A50);
}

QTEST_GUILESS_MAIN(TestProfilesManager)
#include "tst_profilesmanager.moc"
