// tarnctl run as a process against virtual devices: list, activate, backup and restore, flash
// (the image refused before anything is sent, the update through the device's bootloader, a
// transfer that fails), and the devices lock it shares with the window.

#include "app/tarn_wheel_tool.h"
#include "tests/support/ctlrun.h"
#include "tests/support/files.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "usb/deviceslock.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QComboBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

using Profiles = std::vector<TarnUsbWheelBaseProfileV5>;

Profiles wheelProfiles(VirtualDevice& wheel) {
    return wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { return m.profiles; });
}

bool sameRecords(const Profiles& a, const Profiles& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0;
}

// The wheel base's commands after its load (3, 5 per profile, 3).
std::vector<int> commandsAfterLoad(VirtualDevice& device) {
    std::vector<int> commands = commandsOf(device.receivedReports());
    commands.erase(commands.begin(), commands.begin() + std::min<size_t>(commands.size(), 5));
    return commands;
}

const std::vector<int> kLiveUpdate{12, 13, 13, 13, 12};

} // namespace

class TestTarnCtl : public QObject {
    Q_OBJECT

private slots:
    void listsEveryDevice();
    void activate_data();
    void activate();
    void backupThenRestore();
    void restoreRefusals_data();
    void restoreRefusals();
    void flash_data();
    void flash();
    void lockSharedWithTheWindow();
};

void TestTarnCtl::listsEveryDevice() {
    VirtualBus bus;
    VirtualDevice& wheel = bus.addWheelBase();
    bus.addDevice("pedals-bootloader",
                  wheelBaseBootloaderModel(0xA3BE, "TARN Torvane Pedals Bootloader"));
    bus.addStaleSocket("refusing",
                       infoFileText(0xA3BE, "TARN Torvane Pedals") + "serial=TPD-000099\n");
    wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { m.activeProfile = 1; });

    const CtlRun json = runCtl({"list", "--json"});
    QCOMPARE(json.status, 3); // listed, but one device cannot be opened
    QVERIFY2(json.err.contains("connection refused"), json.err);
    const QJsonArray devices = QJsonDocument::fromJson(json.out)["devices"].toArray();
    QCOMPARE(devices.size(), 3);
    const QJsonObject refusing = devices[2].toObject(); // by path, then the inaccessible
    QCOMPARE(
        QJsonDocument(devices[1].toObject()).toJson(QJsonDocument::Compact),
        QStringLiteral(R"({"access":"ok","active":1,"hardware":"4.1","kind":"wheelbase",)"
                       R"("path":"%1","product":"TARN Torvane Wheel Base","profiles":[)"
                       R"({"index":0,"name":"Road"},{"index":1,"name":"Drift"},)"
                       R"({"index":2,"name":"Rally"}],"serial":"TWB-000417","software":"2.7"})")
            .arg(QString::fromStdString(wheel.socketPath()))
            .toUtf8());
    QCOMPARE(devices[0].toObject()["kind"].toString(), QString("bootloader"));
    QCOMPARE(devices[0].toObject()["software"].toString(), QString("1.3"));
    QCOMPARE(devices[0].toObject()["active"].type(), QJsonValue::Null);
    QCOMPARE(refusing["access"].toString(), QString("denied"));
    QCOMPARE(refusing["kind"].toString(), QString("pedals"));
    QCOMPARE(refusing["serial"].toString(), QString("TPD-000099"));
    QVERIFY(!refusing.contains("profiles"));

    const CtlRun text = runCtl({"list"});
    QVERIFY2(text.out.contains("wheelbase: TARN Torvane Wheel Base, serial TWB-000417, hardware "
                               "4.1, software 2.7\n"),
             text.out);
    QVERIFY2(text.out.contains("  *  1 Drift\n") && text.out.contains("not accessible"), text.out);
}

void TestTarnCtl::activate_data() {
    QTest::addColumn<bool>("twoWheelBases");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<std::vector<int>>("sent"); // after the load
    QTest::addColumn<int>("active");

    QTest::newRow("by name") << false << QStringList{"wheelbase", "Rally"} << 0 << kLiveUpdate << 2;
    QTest::newRow("by index, saved") << false << QStringList{"wheelbase", "1", "--save"} << 0
                                     << std::vector<int>{12, 13, 13, 13, 12, 4, 6, 6, 6, 4} << 1;
    QTest::newRow("by serial") << true << QStringList{"TWB-000999", "Drift"} << 0 << kLiveUpdate
                               << 1;
    QTest::newRow("unknown profile")
        << false << QStringList{"wheelbase", "Snow"} << 2 << std::vector<int>{} << 0;
    QTest::newRow("ambiguous kind")
        << true << QStringList{"wheelbase", "Rally"} << 1 << std::vector<int>{} << 0;
}

void TestTarnCtl::activate() {
    QFETCH(bool, twoWheelBases);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(std::vector<int>, sent);
    QFETCH(int, active);
    VirtualBus bus;
    VirtualDevice& first = bus.addWheelBase();
    VirtualDevice& wheel = twoWheelBases ? bus.addWheelBase("second", false) : first;
    if (twoWheelBases) {
        wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) {
            VirtualDeviceIdentity identity = m.identity();
            identity.serial = "TWB-000999";
            m.setIdentity(identity);
        });
        wheel.plug();
    }

    const CtlRun run = runCtl(QStringList{"activate"} + arguments);
    QCOMPARE(run.status, status);
    if (status == 1)
        QVERIFY(first.receivedReports().empty() && wheel.receivedReports().empty());
    QTRY_COMPARE(commandsAfterLoad(wheel), sent);
    QCOMPARE(
        int(wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { return m.activeProfile; })),
        active);
}

void TestTarnCtl::backupThenRestore() {
    VirtualBus bus;
    VirtualDevice& wheel = bus.addWheelBase();
    bus.addPedals();
    QTemporaryDir dir, data;
    const Profiles original = wheelProfiles(wheel);

    QCOMPARE(runCtl({"backup", dir.path()}).status, 0);
    const QStringList names = QDir(dir.path()).entryList(QDir::Files);
    QCOMPARE(
        names,
        (QStringList{"pedals-TPD-000233-00-Linear.tprf", "pedals-TPD-000233-01-Progressive.tprf",
                     "pedals-TPD-000233-02-Soft_brake.tprf", "wheelbase-TWB-000417-00-Road.tprf",
                     "wheelbase-TWB-000417-01-Drift.tprf", "wheelbase-TWB-000417-02-Rally.tprf"}));
    const CtlRun again = runCtl({"backup", dir.path()});
    QCOMPARE(again.status, 4);
    QVERIFY2(again.err.contains("wheelbase-TWB-000417-02-Rally.tprf"), again.err);

    // Drift and Rally replace the three profiles, numbered from 0.
    Profiles restored(original.begin() + 1, original.end());
    restored[0].index = 0;
    restored[1].index = 1;
    const QStringList restore{"restore", "wheelbase", dir.filePath(names[4]),
                              dir.filePath(names[5]), "--save"};
    QCOMPARE(runCtl(restore, data.path()).status, 0);
    QTRY_VERIFY(sameRecords(wheelProfiles(wheel), restored));
    QTRY_VERIFY(sameRecords(
        wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { return m.savedProfiles; }),
        restored));
    const QStringList safety =
        QDir(data.filePath("tarn-config/backups")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(safety.size(), 1);
    QVERIFY(QFile::exists(
        data.filePath("tarn-config/backups/" + safety[0] + "/wheelbase-TWB-000417-00-Road.tprf")));

    // A file of the older format (the 43-byte record and its checksum) restores too, its
    // record renumbered from index 2 to 0.
    QVERIFY(writeFile(dir.filePath("old.tprf"),
                      QByteArray::fromHex("02576574204d6f6e7a61000000000000007a81888f969da4abb2b9"
                                          "c0c7ced5dce3eaf1f8ff060d141b222933e38817")));
    QCOMPARE(runCtl({"restore", "wheelbase", dir.filePath("old.tprf")}, data.path()).status, 0);
    QTRY_COMPARE(wheelProfiles(wheel).size(), size_t(1));
    QCOMPARE(QString(wheelProfiles(wheel)[0].name), QString("Wet Monza"));
    QCOMPARE(int(wheelProfiles(wheel)[0].index), 0);
}

void TestTarnCtl::restoreRefusals_data() {
    QTest::addColumn<QString>("file"); // copied as often as `copies`
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("status");
    QTest::newRow("no such file") << "missing.tprf" << 1 << 2;
    QTest::newRow("another kind") << "pedals-TPD-000233-00-Linear.tprf" << 1 << 4;
    QTest::newRow("bad checksum") << "corrupted.tprf" << 1 << 4;
    QTest::newRow("no profile") << "notes.txt" << 1 << 4;
    QTest::newRow("too many") << "wheelbase-TWB-000417-00-Road.tprf"
                              << UsbDeviceTarnWheelBase::kCapacity + 1 << 4;
}

void TestTarnCtl::restoreRefusals() {
    QFETCH(QString, file);
    QFETCH(int, copies);
    QFETCH(int, status);
    VirtualBus bus;
    VirtualDevice& wheel = bus.addWheelBase();
    bus.addPedals();
    QTemporaryDir dir, data;
    QCOMPARE(runCtl({"backup", dir.path()}).status, 0);
    QFile road(dir.filePath("wheelbase-TWB-000417-00-Road.tprf"));
    QVERIFY(road.open(QIODevice::ReadOnly));
    QByteArray corrupted = road.readAll();
    corrupted[12] = char(corrupted[12] ^ 0x40);
    QVERIFY(writeFile(dir.filePath("corrupted.tprf"), corrupted));
    QVERIFY(writeFile(dir.filePath("notes.txt"), "no profile\n"));
    wheel.clearReceivedReports();

    QStringList arguments{"restore", "wheelbase"};
    for (int i = 0; i < copies; ++i)
        arguments.append(dir.filePath(file));
    const CtlRun run = runCtl(arguments, data.path());
    QCOMPARE(run.status, status);
    QVERIFY2(!run.err.isEmpty(), run.out);
    QCOMPARE(commandsAfterLoad(wheel), std::vector<int>{});
    const QString safety = QString(run.out).section(' ', -1).trimmed();
    QCOMPARE(QDir(safety).entryList(QDir::Files).size(), 3);
}

void TestTarnCtl::flash_data() {
    QTest::addColumn<bool>("inBootloader"); // else a wheel base, sent to its bootloader
    QTest::addColumn<int>("imageSize");     // -1: no file
    QTest::addColumn<int>("corruptEchoAtChunk");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("said");

    QTest::newRow("update") << false << 1000 << -1 << 0 << QByteArray("software 2.8.");
    QTest::newRow("from bootloader") << true << 100 << -1 << 0 << QByteArray("software 2.8.");
    QTest::newRow("no file") << false << -1 << -1 << 2 << QByteArray("no such file");
    QTest::newRow("empty") << false << 0 << -1 << 4 << QByteArray("The file is empty");
    QTest::newRow("CRC failure") << true << 100 << 1 << 4 << QByteArray("tarnctl flash bootloader");
}

void TestTarnCtl::flash() {
    QFETCH(bool, inBootloader);
    QFETCH(int, imageSize);
    QFETCH(int, corruptEchoAtChunk);
    QFETCH(int, status);
    QFETCH(QByteArray, said);
    VirtualBus bus;
    auto bootloaderModel = wheelBaseBootloaderModel();
    bootloaderModel->corruptEchoAtChunk = corruptEchoAtChunk;
    VirtualDevice& device =
        inBootloader ? bus.addDevice("wheelbase", std::move(bootloaderModel)) : bus.addWheelBase();
    QTemporaryDir dir;
    const QString image = dir.filePath("base.fw");
    QVERIFY(imageSize < 0 || writeFile(image, QByteArray(imageSize, 'f')));

    const CtlRun run = runCtl({"flash", inBootloader ? "bootloader" : "wheelbase", image});
    QCOMPARE(run.status, status);
    QVERIFY2((run.out + run.err).contains(said), run.out + run.err);
    if (status == 2 || (status == 4 && corruptEchoAtChunk < 0))
        QVERIFY(device.receivedReports().empty());
    if (status != 0)
        return;
    QVERIFY2(run.out.contains("100%") && run.out.contains("software 2.7") != inBootloader, run.out);
    QCOMPARE(device.withModel([](DeviceModel& m) { return m.installedFirmware.size(); }),
             size_t((imageSize + 31) / 32 * 32));
}

void TestTarnCtl::lockSharedWithTheWindow() {
    VirtualBus bus;
    VirtualDevice& wheel = bus.addWheelBase();
    auto lock = std::make_unique<DevicesLock>();
    QVERIFY(lock->tryLock());
    const CtlRun run = runCtl({"list"});
    QCOMPARE(run.status, 5);
    const QString holder =
        QStringLiteral("tst_tarnctl (process %1)").arg(QCoreApplication::applicationPid());
    QVERIFY2(run.err.contains(holder.toUtf8()), run.err);
    QVERIFY(wheel.receivedReports().empty());

    // The window waits for the lock, says who holds it, and takes the devices once it is free.
    TARN_wheel_tool window(nullptr, fastTimings());
    auto* selector = window.findChild<QComboBox*>("comboBox_UsbDevice");
    QVERIFY(selector->currentText().contains(holder));
    lock.reset();
    QTRY_VERIFY(window.selectedDevice() != nullptr);
    QCOMPARE(selector->count(), 1);
    QCOMPARE(runCtl({"list"}).status, 5);
}

QTEST_MAIN(TestTarnCtl)
#include "tst_tarnctl.moc"
