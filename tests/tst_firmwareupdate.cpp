// Firmware update: the chunk requests, the bootloader device against the virtual bootloader (an
// empty image, every failure, lost and late echoes), and the update through the window.

#include "app/tarn_wheel_tool.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "tests/support/dialogscript.h"
#include "tests/support/directdevice.h"
#include "tests/support/files.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "tests/support/windowlookup.h"

#include <QApplication>
#include <QComboBox>
#include <QProgressDialog>
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

QByteArray bytes(const uint8_t* data, int offset, int length) {
    return QByteArray(reinterpret_cast<const char*>(data + offset), length);
}

int chunkOf(const ReceivedReport& report) {
    return readLe16(report.data.data() + 34);
}

int highestChunk(const VirtualDevice& device) {
    int highest = -1;
    for (const ReceivedReport& report : device.receivedReports())
        highest = std::max(highest, chunkOf(report));
    return highest;
}

// Writes `image` into `files` as `name`; its path, empty when it could not be written.
QString writeImage(const QTemporaryDir& files, const QString& name, const QByteArray& image) {
    return writeFile(files.filePath(name), image) ? files.filePath(name) : QString();
}

} // namespace

class FirmwareUpdateTest : public QObject {
    Q_OBJECT

private slots:
    // 33 bytes are padded to two chunks: data, index, count, the data's CRC (computed
    // independently of the tool's checksum routine), then whether the tail of the chunk before
    // follows, and that tail. The end request carries index = count.
    void chunkRequestsOfAPaddedImage() {
        const QByteArray image = numberedImage(33);
        const QByteArray padded = image + QByteArray(31, '\0');
        auto request = [&](int index) {
            return bytes(firmwareChunkRequest(padded, index).data(), 0, kReportSize);
        };
        QCOMPARE(request(0), "\x64\x01" + image.left(32) + QByteArray::fromHex("0000020059a70a4a") +
                                 QByteArray(22, '\0'));
        QCOMPARE(request(1), "\x64\x01" + padded.mid(32) +
                                 QByteArray::fromHex("010002009f8f7b8201") + image.mid(16, 16) +
                                 QByteArray(5, '\0'));
        QCOMPARE(request(2), "\x64\x01" + QByteArray(32, '\0') + QByteArray::fromHex("02000200") +
                                 QByteArray(26, '\0'));
    }

    // A file is refused when it is empty or holds more than 32767 chunks.
    void imageRefusals() {
        const qint64 limit = qint64(32767) * 32;
        QCOMPARE(firmwareImageRefusal(0),
                 QStringLiteral("The file is empty: it holds no firmware."));
        QCOMPARE(firmwareImageRefusal(1) + firmwareImageRefusal(limit), QString());
        QCOMPARE(firmwareImageRefusal(limit + 1),
                 QStringLiteral("The file holds 1048545 bytes, but a firmware image holds at most "
                                "1048544 bytes (32767 chunks of 32 bytes)."));
    }

    // An empty image: started with 0 chunks, the end request with count 0, completed at once.
    void emptyImageCompletesAtOnce() {
        VirtualBus bus;
        VirtualDevice& virtualBootloader = bus.addDevice("boot", wheelBaseBootloaderModel());
        DirectDevice<UsbDeviceTarnBootloader> bootloader(virtualBootloader);
        QSignalSpy started(bootloader.get(), &UsbDeviceTarnBootloader::onFirmwareUpdateStarted);
        QSignalSpy progress(bootloader.get(), &UsbDeviceTarnBootloader::onFirmwareUpdateProgress);
        QSignalSpy completed(bootloader.get(), &UsbDeviceTarnBootloader::onUpdateCompleted);
        bootloader->updateFirmware(QByteArray());
        QCOMPARE(QList<QVariantList>(started) + QList<QVariantList>(progress),
                 (QList<QVariantList>{{0}, {0, 0}}));
        QCOMPARE(completed.count(), 1);
        QVERIFY(virtualBootloader.waitForReceived(1, kTimeoutMs) >= 1);
        const std::vector<uint8_t> end = virtualBootloader.receivedReports().front().data;
        QCOMPARE(bytes(end.data(), 1, 1) + bytes(end.data(), 34, 4), QByteArray("\1\0\0\0\0", 5));
    }

    // Programming fails at chunk 3 with `status` unless the erase or an echo fails first. The
    // altered echo carries a CRC fitting its data: only the comparison with the chunk sent
    // catches it.
    void failures_data() {
        QTest::addColumn<int>("corruptEchoAt");
        QTest::addColumn<bool>("failErase");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("lastChunk");
        QTest::newRow("echo altered") << 2 << false << 2 << "CRC failed on chunk 2 of 10" << 2;
        QTest::newRow("status 1: erase failed")
            << -1 << true << 2 << "Failed to erase memory, FW wasn't updated" << 0;
        QTest::newRow("status 2: programming failed")
            << -1 << false << 2 << "Failed to programm chunk 3, FW wasn't updated" << 3;
        QTest::newRow("another status")
            << -1 << false << 9 << "Bootloader answered unknown status 9, FW wasn't updated" << 3;
    }

    // A failure ends the update once with its message, and nothing more is sent: no later chunk
    // and no resend. Status 0 (the erase worked) lets the update go on.
    void failures() {
        QFETCH(int, corruptEchoAt);
        QFETCH(bool, failErase);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(int, lastChunk);
        VirtualBus bus;
        auto model = wheelBaseBootloaderModel();
        model->corruptEchoAtChunk = corruptEchoAt;
        model->failErase = failErase;
        model->failProgramAtChunk = 3;
        model->programFailureStatus = uint8_t(status);
        VirtualDevice& virtualBootloader = bus.addDevice("boot", std::move(model));
        DirectDevice<UsbDeviceTarnBootloader> bootloader(virtualBootloader);
        QSignalSpy failed(bootloader.get(), &UsbDeviceTarnBootloader::onUpdateFailed);
        bootloader->updateFirmware(numberedImage(10 * 32));
        QVERIFY(failed.wait(kTimeoutMs));
        QCOMPARE(failed[0][1].toString(), message);
        QVERIFY(waitUntilQuiet(virtualBootloader, 2 * UsbDeviceTarnBootloader::kChunkRetryMs));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(highestChunk(virtualBootloader), lastChunk);
    }

    // The echo of chunk 0 is lost: chunk 0 is resent after 6 s, while the device erases its
    // memory. The echo of chunk 1 comes 600 ms late and chunk 2 is echoed only at its fourth
    // sending: each resend follows 200 ms after the one before, and the late echo, meeting chunk
    // 2, does not count as its answer. Every other chunk goes out once, in order. Qt's timers may
    // fire up to 5% early, and the device notes the time a report arrived when it reads it, which
    // may be late for one report and not for the next: a resend may seem up to 10% early. A
    // loaded machine may be late.
    void lostAndLateEchoes() {
        VirtualBus bus;
        VirtualDevice& virtualBootloader = bus.addDevice("boot", wheelBaseBootloaderModel());
        const AnswerFate lost{AnswerFate::Lost};
        virtualBootloader.scriptAnswers(kCmdEnterBootloader,
                                        {lost, {}, {AnswerFate::Late, 600}, {}, lost, lost, lost});
        DirectDevice<UsbDeviceTarnBootloader> bootloader(virtualBootloader);
        QSignalSpy completed(bootloader.get(), &UsbDeviceTarnBootloader::onUpdateCompleted);
        bootloader->updateFirmware(numberedImage(6 * 32));
        QVERIFY(completed.wait(kTimeoutMs));
        QVERIFY(
            waitUntilQuiet(virtualBootloader, 600 + 2 * UsbDeviceTarnBootloader::kChunkRetryMs));
        QCOMPARE(completed.count(), 1);
        std::vector<int> chunks; // in the order sent, each as often as it was sent
        uint64_t previousAt = 0;
        for (const ReceivedReport& report : virtualBootloader.receivedReports()) {
            chunks.push_back(chunkOf(report));
            if (chunks.size() > 1 && chunks.back() == chunks[chunks.size() - 2]) {
                const int64_t waited = int64_t(report.timeMicros - previousAt) / 1000;
                const int intervalMs = chunks.back() == 0
                                           ? UsbDeviceTarnBootloader::kFirstChunkRetryMs
                                           : UsbDeviceTarnBootloader::kChunkRetryMs;
                QVERIFY2(
                    waited >= intervalMs * 90 / 100 && waited <= intervalMs + 1000,
                    qPrintable(QStringLiteral("chunk %1: %2 ms").arg(chunks.back()).arg(waited)));
            }
            previousAt = report.timeMicros;
        }
        QCOMPARE(chunks, (std::vector<int>{0, 0, 1, 1, 2, 2, 2, 2, 3, 4, 5, 6}));
    }

    // As a user does it: Enter Bootloader, cancel the file dialog and Exit Bootloader; enter
    // again and pick a file that is no image; then Update Firmware with a 33-byte image whose two
    // chunks go, and the wheel base comes back running it. Then the bootloader leaves the bus
    // while its file dialog is open: the dialog closes and nothing is said; and one leaves during
    // an update: the progress dialog closes and the window says the update did not finish. Each
    // time the wheel base plugged in meanwhile is loaded.
    void updateThroughTheWindow() {
        VirtualBus bus;
        VirtualDevice& first = bus.addWheelBase("wheelbase-a");
        VirtualDevice& second = bus.addWheelBase("wheelbase-b", false);
        VirtualDevice& third = bus.addWheelBase("wheelbase-c", false);
        QTemporaryDir files;
        const QByteArray image = numberedImage(33);
        const QString imagePath = writeImage(files, "new.fw", image);
        DialogScript dialogs;
        TARN_wheel_tool window(nullptr, fastTimings());
        window.show();
        auto* devices = windowWidget<QComboBox>(window, "comboBox_UsbDevice");
        auto* bootloaderButton =
            windowWidget<QPushButton>(window, "pushButton_EnterExitBootloader");
        auto* updateButton = windowWidget<QPushButton>(window, "pushButton_UpdateFirmware");
        auto bootloaderShown = [&] {
            return qobject_cast<UsbDeviceTarnBootloader*>(window.selectedDevice()) &&
                   bootloaderButton->text() == "Exit Bootloader" && updateButton->isVisible();
        };
        auto wheelBaseShown = [&](const VirtualDevice& device) {
            return showsWheelBase(window, device) &&
                   devices->currentText().contains("SW version:") &&
                   bootloaderButton->text() == "Enter Bootloader" && !updateButton->isVisible();
        };
        QTRY_VERIFY_WITH_TIMEOUT(wheelBaseShown(first), kTimeoutMs);

        dialogs.answerFileDialog(QString());
        bootloaderButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.done() && bootloaderShown(), kTimeoutMs);
        QCOMPARE(dialogs.shown[0].title + ": " + dialogs.shown[0].filters.join('|'),
                 QStringLiteral("Open new FW File: TARN FW Files (*.fw)|All Files (*)"));
        bootloaderButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(wheelBaseShown(first), kTimeoutMs);

        dialogs.answerFileDialog(writeImage(files, "empty.fw", QByteArray()),
                                 [&] { first.clearReceivedReports(); });
        dialogs.closeMessageBox();
        bootloaderButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.done(), kTimeoutMs);
        QCOMPARE(dialogs.shown[2].title + ": " + dialogs.shown[2].text,
                 "Not a firmware image: " + firmwareImageRefusal(0));
        QVERIFY(bootloaderShown());
        QVERIFY(!receivesMoreThan(first, 0, kFastQuietMs));

        dialogs.answerFileDialog(imagePath);
        dialogs.closeMessageBox();
        updateButton->click();
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.shown.size(), 5, kTimeoutMs);
        QCOMPARE(dialogs.shown[4].title + ": " + dialogs.shown[4].text,
                 QStringLiteral("Firmware update: Update completed successfully!"));
        // The device restarts into the file's image and is loaded again, with its new software
        // version in the selector.
        QTRY_VERIFY_WITH_TIMEOUT(wheelBaseShown(first), kTimeoutMs);
        QVERIFY2(devices->count() == 1 && devices->currentText().contains("SW version: 2.8,"),
                 qPrintable(devices->currentText()));
        QCOMPARE(first.withModel<WheelBaseModel>([](WheelBaseModel& m) {
            return bytes(m.installedFirmware.data(), 0, int(m.installedFirmware.size()));
        }),
                 image + QByteArray(64 - 33, '\0'));

        dialogs.leaveFileDialogOpen([&] {
            second.plug();
            first.unplug();
        });
        bootloaderButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.done() && !QApplication::activeModalWidget(), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(wheelBaseShown(second), kTimeoutMs);
        QCOMPARE(dialogs.shown.size(), 6);

        // Command 1 enters the bootloader, then carries the chunks: the echo of chunk 0 comes,
        // every later one is lost, so the update stays at chunk 1.
        std::vector<AnswerFate> fates(50, AnswerFate{AnswerFate::Lost});
        fates[0] = fates[1] = AnswerFate{};
        second.scriptAnswers(kCmdEnterBootloader, fates);
        dialogs.answerFileDialog(imagePath);
        dialogs.closeMessageBox();
        bootloaderButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(window.findChild<QProgressDialog*>(), kTimeoutMs);
        third.plug();
        second.unplug();
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.done(), kTimeoutMs);
        QCOMPARE(dialogs.shown[7].title + ": " + dialogs.shown[7].text,
                 QStringLiteral("Firmware update: The firmware update did not finish."));
        QVERIFY(!window.findChild<QProgressDialog*>());
        QTRY_VERIFY_WITH_TIMEOUT(wheelBaseShown(third), kTimeoutMs);
    }
};

QTEST_MAIN(FirmwareUpdateTest)
#include "tst_firmwareupdate.moc"
