// Firmware update: the chunk requests the bootloader device builds, its answers, and the whole
// update through the window — Enter Bootloader, the file dialog that opens when the bootloader
// appears, the progress and result boxes, and the wheel base coming back.

#include "app/tarn_wheel_tool.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "profiles/crc.h"
#include "sim/bootloadermodel.h"
#include "tests/support/dialogscript.h"
#include "tests/support/directdevice.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "tests/support/windowlookup.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QApplication>
#include <QComboBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kTimeoutMs = 15000;

QByteArray numberedImage(int size) {
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char(i * 7 + 1);
    return image;
}

QByteArray bytes(const TarnRequest& request, int offset, int length) {
    return QByteArray(reinterpret_cast<const char*>(request.data() + offset), length);
}

} // namespace

class FirmwareUpdateTest : public QObject {
    Q_OBJECT

private slots:
    // 33 bytes are padded to two chunks; the second carries the last byte, zeros, and the tail of
    // the first chunk; the end request carries only index = count.
    void chunkRequestsOfAPaddedImage() {
        QByteArray image = numberedImage(33);
        QByteArray padded = image + QByteArray(31, '\0');

        TarnRequest first = firmwareChunkRequest(padded, 0);
        QCOMPARE(first[0], uint8_t(0x64));
        QCOMPARE(first[1], uint8_t(1));
        QCOMPARE(bytes(first, 2, 32), image.left(32));
        QCOMPARE(readLe16(first.data() + 34), uint16_t(0));
        QCOMPARE(readLe16(first.data() + 36), uint16_t(2));
        QCOMPARE(readLe32(first.data() + 38), tarnCrc32(first.data() + 2, 32));
        QCOMPARE(first[42], uint8_t(0));
        QCOMPARE(bytes(first, 43, 21), QByteArray(21, '\0'));

        TarnRequest second = firmwareChunkRequest(padded, 1);
        QCOMPARE(bytes(second, 2, 32), image.mid(32, 1) + QByteArray(31, '\0'));
        QCOMPARE(readLe16(second.data() + 34), uint16_t(1));
        QCOMPARE(second[42], uint8_t(1));
        QCOMPARE(bytes(second, 43, 16), image.mid(16, 16));
        QCOMPARE(bytes(second, 59, 5), QByteArray(5, '\0'));

        TarnRequest end = firmwareChunkRequest(padded, 2);
        QCOMPARE(readLe16(end.data() + 34), uint16_t(2));
        QCOMPARE(readLe16(end.data() + 36), uint16_t(2));
        QCOMPARE(bytes(end, 2, 32) + bytes(end, 38, 26), QByteArray(58, '\0'));
    }

    // An empty image: started with 0 chunks, the end request with count 0, completed at once.
    void emptyImageCompletesAtOnce() {
        VirtualBus bus;
        VirtualDevice& virtualBootloader = bus.addDevice("boot", wheelBaseBootloaderModel());
        DirectDevice<UsbDeviceTarnBootloader> bootloader(virtualBootloader);
        QVERIFY(bootloader.isOpen());
        QSignalSpy started(bootloader.get(), &UsbDeviceTarnBootloader::onFirmwareUpdateStarted);
        QSignalSpy progress(bootloader.get(), &UsbDeviceTarnBootloader::onFirmwareUpdateProgress);
        QSignalSpy completed(bootloader.get(), &UsbDeviceTarnBootloader::onUpdateCompleted);
        bootloader->updateFirmware(QByteArray());
        QCOMPARE(started.count(), 1);
        QCOMPARE(started[0][0].toInt(), 0);
        QCOMPARE(progress.count(), 1);
        QCOMPARE(progress[0][0].toInt(), 0);
        QCOMPARE(progress[0][1].toInt(), 0);
        QCOMPARE(completed.count(), 1);
        QVERIFY(virtualBootloader.waitForReceived(1, kTimeoutMs) >= 1);
        const ReceivedReport end = virtualBootloader.receivedReports().front();
        QCOMPARE(end.data[1], uint8_t(1));
        QCOMPARE(readLe16(end.data.data() + 34), uint16_t(0));
        QCOMPARE(readLe16(end.data.data() + 36), uint16_t(0));
    }

    // An echo whose data came back altered ends the update with the chunk's number and count,
    // whether its CRC still fits the data sent or was made to fit the altered data.
    void corruptedEchoStopsTheUpdate_data() {
        QTest::addColumn<bool>("recomputedCrc");
        QTest::newRow("CRC as sent") << false;
        QTest::newRow("CRC fits the altered data") << true;
    }

    void corruptedEchoStopsTheUpdate() {
        QFETCH(bool, recomputedCrc);
        VirtualBus bus;
        auto model = wheelBaseBootloaderModel();
        model->corruptEchoAtChunk = 5;
        model->recomputeCorruptEchoCrc = recomputedCrc;
        VirtualDevice& virtualBootloader = bus.addDevice("boot", std::move(model));
        DirectDevice<UsbDeviceTarnBootloader> bootloader(virtualBootloader);
        QSignalSpy failed(bootloader.get(), &UsbDeviceTarnBootloader::onUpdateFailed);
        bootloader->updateFirmware(numberedImage(120 * 32));
        QVERIFY(failed.wait(kTimeoutMs));
        QCOMPARE(failed[0][1].toString(), QStringLiteral("CRC failed on chunk 5 of 120"));
        // Nothing follows chunk 5: no later chunk, and no resend once the echo has arrived.
        QVERIFY(waitUntilQuiet(virtualBootloader, 2 * UsbDeviceTarnBootloader::kChunkRetryMs));
        int highest = -1;
        for (const ReceivedReport& report : virtualBootloader.receivedReports())
            highest = std::max<int>(highest, readLe16(report.data.data() + 34));
        QCOMPARE(highest, 5);
    }

    // A status report of a failure ends the update with its message, and nothing more is sent;
    // status 0 (the erase worked) lets it go on.
    void failureStatusStopsTheUpdate_data() {
        QTest::addColumn<bool>("failErase");
        QTest::addColumn<int>("failureStatus");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("lastChunk");
        QTest::newRow("1: erase failed")
            << true << 2 << "Failed to erase memory, FW wasn't updated" << 0;
        QTest::newRow("2: programming failed")
            << false << 2 << "Failed to programm chunk 3, FW wasn't updated" << 3;
        QTest::newRow("another code") << false << 9 << QString() << 3;
    }

    void failureStatusStopsTheUpdate() {
        QFETCH(bool, failErase);
        QFETCH(int, failureStatus);
        QFETCH(QString, message);
        QFETCH(int, lastChunk);
        VirtualBus bus;
        auto model = wheelBaseBootloaderModel();
        model->failErase = failErase;
        model->failProgramAtChunk = 3;
        model->programFailureStatus = uint8_t(failureStatus);
        VirtualDevice& virtualBootloader = bus.addDevice("boot", std::move(model));
        DirectDevice<UsbDeviceTarnBootloader> bootloader(virtualBootloader);
        QSignalSpy failed(bootloader.get(), &UsbDeviceTarnBootloader::onUpdateFailed);
        bootloader->updateFirmware(numberedImage(10 * 32));
        QVERIFY(failed.wait(kTimeoutMs));
        QCOMPARE(failed[0][1].toString(), message);
        QVERIFY(waitUntilQuiet(virtualBootloader, 2 * UsbDeviceTarnBootloader::kChunkRetryMs));
        QCOMPARE(failed.count(), 1);
        int highest = -1;
        for (const ReceivedReport& report : virtualBootloader.receivedReports())
            highest = std::max<int>(highest, readLe16(report.data.data() + 34));
        QCOMPARE(highest, lastChunk);
    }

    // A lost echo is resent after the bootloader's own intervals: 6 s for chunk 0, while the
    // device erases its memory, and 200 ms for later chunks. The one check of those intervals.
    void lostEchoIsResent_data() {
        QTest::addColumn<int>("chunk");
        QTest::addColumn<int>("intervalMs");
        QTest::newRow("chunk 0") << 0 << UsbDeviceTarnBootloader::kFirstChunkRetryMs;
        QTest::newRow("chunk 1") << 1 << UsbDeviceTarnBootloader::kChunkRetryMs;
    }

    void lostEchoIsResent() {
        QFETCH(int, chunk);
        QFETCH(int, intervalMs);
        VirtualBus bus;
        VirtualDevice& virtualBootloader = bus.addDevice("boot", wheelBaseBootloaderModel());
        std::vector<AnswerFate> fates(size_t(chunk + 1));
        fates.back() = AnswerFate{AnswerFate::Lost};
        virtualBootloader.scriptAnswers(kCmdEnterBootloader, fates);
        DirectDevice<UsbDeviceTarnBootloader> bootloader(virtualBootloader);
        QSignalSpy completed(bootloader.get(), &UsbDeviceTarnBootloader::onUpdateCompleted);
        bootloader->updateFirmware(numberedImage(3 * 32));
        QVERIFY(completed.wait(kTimeoutMs));
        std::vector<uint64_t> sentAt;
        for (const ReceivedReport& report : virtualBootloader.receivedReports()) {
            if (readLe16(report.data.data() + 34) == chunk)
                sentAt.push_back(report.timeMicros);
        }
        QCOMPARE(sentAt.size(), size_t(2));
        const int64_t waited = int64_t(sentAt[1] - sentAt[0]) / 1000;
        // Qt's timers may fire up to 5% early; a loaded machine may be late.
        QVERIFY2(waited >= intervalMs * 95 / 100 && waited <= intervalMs + 1000,
                 qPrintable(QString::number(waited)));
    }

    // The whole update as a user does it: Enter Bootloader, pick a 33-byte image, watch its two
    // chunks go, and the wheel base comes back running it.
    void updateThroughTheWindow() {
        VirtualBus bus;
        VirtualDevice& virtualWheel = bus.addWheelBase();
        QTemporaryDir files;
        const QString imagePath = files.filePath("new.fw");
        const QByteArray image = numberedImage(33);
        {
            QFile file(imagePath);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
        }

        DialogScript dialogs;
        TARN_wheel_tool window(nullptr, fastTimings());
        window.show();
        auto* devices = window.findChild<QComboBox*>("comboBox_UsbDevice");
        auto* bootloaderButton = window.findChild<QPushButton*>("pushButton_EnterExitBootloader");
        auto* updateButton = window.findChild<QPushButton*>("pushButton_UpdateFirmware");
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<UsbDeviceTarnWheelBase*>(window.selectedDevice()) &&
                                     devices->currentText().contains("SW version:"),
                                 kTimeoutMs);
        QVERIFY(!updateButton->isVisible());

        dialogs.answerFileDialog(imagePath, [&] { virtualWheel.clearReceivedReports(); });
        dialogs.closeMessageBox();
        bootloaderButton->click();

        QTRY_VERIFY_WITH_TIMEOUT(dialogs.done(), kTimeoutMs);
        // Chunk 0, chunk 1 (byte 32 of the file, then the tail of chunk 0), the end request.
        QTRY_COMPARE_WITH_TIMEOUT(withCommand(virtualWheel.receivedReports(), 1).size(), size_t(3),
                                  kTimeoutMs);
        const std::vector<ReceivedReport> sent = withCommand(virtualWheel.receivedReports(), 1);
        QCOMPARE(readLe16(sent[1].data.data() + 34), uint16_t(1));
        QCOMPARE(sent[1].data[2], uint8_t(image[32]));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(sent[1].data.data() + 43), 16),
                 image.mid(16, 16));
        QCOMPARE(readLe16(sent[2].data.data() + 34), uint16_t(2));
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Open new FW File"));
        QCOMPARE(dialogs.shown[0].filters, QStringList({"TARN FW Files (*.fw)", "All Files (*)"}));
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.shown.size(), 2, kTimeoutMs);
        QCOMPARE(dialogs.shown[1].title, QStringLiteral("Firmware update"));
        QCOMPARE(dialogs.shown[1].text, QStringLiteral("Update completed successfully!"));

        // The device restarts into the new firmware and is loaded again as a wheel base, with its
        // new software version in the selector.
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<UsbDeviceTarnWheelBase*>(window.selectedDevice()) &&
                                     devices->currentText().contains("SW version:"),
                                 kTimeoutMs);
        QCOMPARE(devices->count(), 1);
        QVERIFY2(devices->currentText().contains("SW version: 2.8,"),
                 qPrintable(devices->currentText()));
        const QByteArray installed = virtualWheel.withModel<WheelBaseModel>([](WheelBaseModel& m) {
            return QByteArray(reinterpret_cast<const char*>(m.installedFirmware.data()),
                              int(m.installedFirmware.size()));
        });
        QCOMPARE(installed, image + QByteArray(64 - 33, '\0'));
    }

    void imageRefusals_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("refusal");
        const qint64 limit = 32767 * 32;
        QTest::newRow("empty") << qint64(0) << "The file is empty: it holds no firmware.";
        QTest::newRow("one byte") << qint64(1) << QString();
        QTest::newRow("32767 chunks") << limit << QString();
        QTest::newRow("a byte more")
            << limit + 1
            << "The file holds 1048545 bytes, but a firmware image holds at most 1048544 bytes "
               "(32767 chunks of 32 bytes).";
    }

    void imageRefusals() {
        QFETCH(qint64, size);
        QFETCH(QString, refusal);
        QCOMPARE(firmwareImageRefusal(size), refusal);
    }

    // A file that cannot be an image is refused in the window before anything is sent; the
    // bootloader stays selected for another try.
    void windowRefusesBadFiles_data() {
        QTest::addColumn<qint64>("size");
        QTest::newRow("empty") << qint64(0);
        QTest::newRow("too large") << qint64(32767 * 32 + 1);
    }

    void windowRefusesBadFiles() {
        QFETCH(qint64, size);
        VirtualBus bus;
        VirtualDevice& virtualWheel = bus.addWheelBase();
        QTemporaryDir files;
        const QString imagePath = files.filePath("bad.fw");
        {
            QFile file(imagePath);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
        }
        DialogScript dialogs;
        TARN_wheel_tool window(nullptr, fastTimings());
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<UsbDeviceTarnWheelBase*>(window.selectedDevice()),
                                 kTimeoutMs);
        dialogs.answerFileDialog(imagePath, [&] { virtualWheel.clearReceivedReports(); });
        dialogs.closeMessageBox();
        window.findChild<QPushButton*>("pushButton_EnterExitBootloader")->click();

        QTRY_VERIFY_WITH_TIMEOUT(dialogs.done(), kTimeoutMs);
        QCOMPARE(dialogs.shown[1].title, QStringLiteral("Not a firmware image"));
        QCOMPARE(dialogs.shown[1].text, firmwareImageRefusal(size));
        QVERIFY(qobject_cast<UsbDeviceTarnBootloader*>(window.selectedDevice()));
        QVERIFY(window.findChild<QPushButton*>("pushButton_UpdateFirmware")->isVisible());
        QVERIFY(!receivesMoreThan(virtualWheel, 0, kFastQuietMs));
    }

    // The bootloader leaves the bus while its file dialog is open, and another wheel base is
    // plugged in: the dialog closes by itself, nothing is said, and the other one is loaded.
    void bootloaderLeavesDuringTheFileDialog() {
        VirtualBus bus;
        VirtualDevice& virtualWheel = bus.addWheelBase("wheelbase-a");
        VirtualDevice& otherWheel = bus.addWheelBase("wheelbase-b", false);
        DialogScript dialogs;
        TARN_wheel_tool window(nullptr, fastTimings());
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<UsbDeviceTarnWheelBase*>(window.selectedDevice()),
                                 kTimeoutMs);
        dialogs.leaveFileDialogOpen([&] {
            otherWheel.plug();
            virtualWheel.unplug();
        });
        window.findChild<QPushButton*>("pushButton_EnterExitBootloader")->click();

        QTRY_VERIFY_WITH_TIMEOUT(dialogs.done(), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(wheelBasePageLoaded(window), kTimeoutMs);
        QCOMPARE(window.selectedDevice()->path, QString::fromStdString(otherWheel.socketPath()));
        QCOMPARE(dialogs.shown.size(), 1);
    }

    // The bootloader leaves the bus while an update is running: the progress dialog closes, the
    // window says the update did not finish, and a wheel base plugged in meanwhile is loaded.
    void bootloaderLeavesDuringTheUpdate() {
        VirtualBus bus;
        VirtualDevice& virtualWheel = bus.addWheelBase("wheelbase-a");
        VirtualDevice& otherWheel = bus.addWheelBase("wheelbase-b", false);
        QTemporaryDir files;
        const QString imagePath = files.filePath("new.fw");
        {
            QFile file(imagePath);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(numberedImage(10 * 32)) > 0);
        }
        DialogScript dialogs;
        TARN_wheel_tool window(nullptr, fastTimings());
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<UsbDeviceTarnWheelBase*>(window.selectedDevice()),
                                 kTimeoutMs);
        // Command 1 enters the bootloader, then carries the chunks: the echo of chunk 0 comes,
        // every later one is lost, so the update stays at chunk 1.
        std::vector<AnswerFate> fates(50, AnswerFate{AnswerFate::Lost});
        fates[0] = fates[1] = AnswerFate{};
        virtualWheel.scriptAnswers(kCmdEnterBootloader, fates);
        dialogs.answerFileDialog(imagePath);
        dialogs.closeMessageBox();
        window.findChild<QPushButton*>("pushButton_EnterExitBootloader")->click();
        QTRY_VERIFY_WITH_TIMEOUT(window.findChild<QProgressDialog*>(), kTimeoutMs);

        otherWheel.plug();
        virtualWheel.unplug();
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.done(), kTimeoutMs);
        QCOMPARE(dialogs.shown[1].title, QStringLiteral("Firmware update"));
        QCOMPARE(dialogs.shown[1].text, QStringLiteral("The firmware update did not finish."));
        QVERIFY(!window.findChild<QProgressDialog*>());
        QTRY_VERIFY_WITH_TIMEOUT(wheelBasePageLoaded(window), kTimeoutMs);
        QCOMPARE(window.selectedDevice()->path, QString::fromStdString(otherWheel.socketPath()));
    }

    // Every bootloader identity the scan asks for is selected at once and asked for an image.
    // (0x5C05 and 0xA110 are in the device table but never scanned for.)
    void everyBootloaderIdentityIsSelected_data() {
        QTest::addColumn<int>("productId");
        QTest::addColumn<QString>("product");
        QTest::newRow("A355 wheel base") << 0xA355 << "TARN Torvane Wheel Base Bootloader";
        QTest::newRow("A355 button plate") << 0xA355 << "TARN Button Plate Bootloader";
        QTest::newRow("A3BE pedals") << 0xA3BE << "TARN Torvane Pedals Bootloader";
    }

    void everyBootloaderIdentityIsSelected() {
        QFETCH(int, productId);
        QFETCH(QString, product);
        VirtualBus bus;
        bus.addDevice("boot", wheelBaseBootloaderModel(uint16_t(productId), product.toStdString()));
        DialogScript dialogs;
        dialogs.answerFileDialog(QString());
        TARN_wheel_tool window(nullptr, fastTimings());
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.done(), kTimeoutMs);
        QVERIFY(qobject_cast<UsbDeviceTarnBootloader*>(window.selectedDevice()));
        QCOMPARE(window.selectedDevice()->productName, product);
        QCOMPARE(window.findChild<QPushButton*>("pushButton_EnterExitBootloader")->text(),
                 QStringLiteral("Exit Bootloader"));
    }

    // A bootloader that the user does not give an image stays selected: the action row offers
    // Update Firmware and Exit Bootloader, which sends the device back to its application.
    void cancelledDialogThenExitBootloader() {
        VirtualBus bus;
        VirtualDevice& virtualWheel = bus.addWheelBase();
        DialogScript dialogs;
        TARN_wheel_tool window(nullptr, fastTimings());
        window.show();
        auto* bootloaderButton = window.findChild<QPushButton*>("pushButton_EnterExitBootloader");
        auto* updateButton = window.findChild<QPushButton*>("pushButton_UpdateFirmware");
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<UsbDeviceTarnWheelBase*>(window.selectedDevice()),
                                 kTimeoutMs);

        dialogs.answerFileDialog(QString());
        bootloaderButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.done(), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<UsbDeviceTarnBootloader*>(window.selectedDevice()),
                                 kTimeoutMs);
        QCOMPARE(bootloaderButton->text(), QStringLiteral("Exit Bootloader"));
        QVERIFY(updateButton->isVisible());

        virtualWheel.clearReceivedReports();
        bootloaderButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<UsbDeviceTarnWheelBase*>(window.selectedDevice()),
                                 kTimeoutMs);
        QCOMPARE(bootloaderButton->text(), QStringLiteral("Enter Bootloader"));
        QVERIFY(!updateButton->isVisible());
    }
};

QTEST_MAIN(FirmwareUpdateTest)
#include "tst_firmwareupdate.moc"
