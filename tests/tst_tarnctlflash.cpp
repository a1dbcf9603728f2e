// tarnctl flash run as a process against virtual devices: the image refused before anything is
// sent, the update through the device's bootloader, and a transfer that fails.

#include "firmware/usbdevicetarnbootloader.h"
#include "tests/support/ctlrun.h"
#include "tests/support/virtualbus.h"

#include <QTemporaryDir>
#include <QtTest>

class TestTarnCtlFlash : public QObject {
    Q_OBJECT

private slots:
    void flash_data();
    void flash();
};

void TestTarnCtlFlash::flash_data() {
    QTest::addColumn<bool>("inBootloader"); // else a wheel base, sent to its bootloader
    QTest::addColumn<int>("imageSize");     // -1: no file
    QTest::addColumn<int>("corruptEchoAtChunk");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("said");

    const int tooLarge = kMaxFirmwareChunks * UsbDeviceTarnBootloader::kChunkSize + 1;
    QTest::newRow("update") << false << 1000 << -1 << 0 << QByteArray("software 2.8.");
    QTest::newRow("from bootloader") << true << 100 << -1 << 0 << QByteArray("software 2.8.");
    QTest::newRow("no file") << false << -1 << -1 << 2 << QByteArray("no such file");
    QTest::newRow("empty") << false << 0 << -1 << 4 << QByteArray("The file is empty");
    QTest::newRow("too large") << false << tooLarge << -1 << 4 << QByteArray("at most");
    QTest::newRow("CRC failure") << true << 100 << 1 << 4 << QByteArray("tarnctl flash bootloader");
}

void TestTarnCtlFlash::flash() {
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
    QFile file(image);
    QVERIFY(imageSize < 0 || (file.open(QIODevice::WriteOnly) &&
                              file.write(QByteArray(imageSize, 'f')) == imageSize));
    file.close();

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

QTEST_MAIN(TestTarnCtlFlash)
#include "tst_tarnctlflash.moc"
