// A firmware update through the window: the window runs offscreen against a virtual wheel-base
// bootloader on a private bus that answers every chunk at once, takes a 1 MiB image of 32,767
// chunks from its file dialog, and the program prints the time from accepting the file to the
// update's completion, the chunks per second, the CPU time per chunk of the GUI thread, of the
// reader thread and of the rest of the process (the virtual device), and whether the device
// received the image as it was sent.

#include "app/tarn_wheel_tool.h"
#include "bench/spinning.h"
#include "bench/threadcpu.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "sim/bootloadermodel.h"
#include "sim/virtualdevice.h"
#include "sim/wheelbasemodel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kChunks = 32767; // the most a chunk's 16-bit signed count can number
constexpr int kRuns = 3;
constexpr int kTimeoutMs = 120000;

int64_t clockNanos(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::unique_ptr<BootloaderModel> wheelBaseBootloaderModel() {
    VirtualDeviceIdentity identity;
    identity.productId = 0xA355;
    identity.product = "TARN Torvane Wheel Base Bootloader";
    return std::make_unique<BootloaderModel>(std::make_unique<WheelBaseModel>(), identity);
}

QByteArray numberedImage(int size) {
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char(i * 7 + 1);
    return image;
}

struct Sample {
    int64_t wall = 0;
    int64_t gui = 0;
    int64_t reader = 0;
    int64_t process = 0;
};

// Answers the window's modal dialogs from inside their own event loops: the file dialog with the
// image, and the message box that ends the update with OK.
//
// The end of the update is the device's last progress signal, at the chunk count: the device
// emits it right before it writes the end request and signals completion. The completion signal
// itself cannot serve: the window's slot for it runs first and holds its modal box open while the
// device restarts, and the device object is deleted inside that box, so a slot connected after
// the window's may never run.
class UpdateDriver : public QObject {
public:
    UpdateDriver(TARN_wheel_tool& window, QString imagePath)
        : window(window)
        , imagePath(std::move(imagePath)) {
        qApp->installEventFilter(this);
    }
    ~UpdateDriver() override { qApp->removeEventFilter(this); }

    std::string readerTid;
    Sample start;
    Sample end;
    bool accepted = false;
    bool completed = false; // the last chunk was echoed
    bool finished = false;  // the window showed its closing message box
    QString result;         // that box's text
    int progressPaints = 0; // paint events of the progress dialog and its widgets

    Sample sample() const {
        return {clockNanos(CLOCK_MONOTONIC), clockNanos(CLOCK_THREAD_CPUTIME_ID),
                threadCpuNanos(readerTid), clockNanos(CLOCK_PROCESS_CPUTIME_ID)};
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint && object->isWidgetType() &&
            qobject_cast<QProgressDialog*>(static_cast<QWidget*>(object)->window()))
            ++progressPaints;
        if (event->type() != QEvent::Show)
            return false;
        if (auto* dialog = qobject_cast<QFileDialog*>(object)) {
            QPointer<QFileDialog> target = dialog;
            QTimer::singleShot(0, this, [this, target] {
                if (target)
                    acceptFile(target);
            });
        } else if (auto* box = qobject_cast<QMessageBox*>(object)) {
            if (!finished) {
                finished = true;
                result = box->text();
            }
            QPointer<QMessageBox> target = box;
            QTimer::singleShot(0, this, [target] {
                if (target && target->button(QMessageBox::Ok))
                    target->button(QMessageBox::Ok)->click();
            });
        }
        return false;
    }

private:
    void acceptFile(QFileDialog* dialog) {
        // The window selected the bootloader before it opened this dialog.
        if (auto* device = qobject_cast<UsbDeviceTarnBootloader*>(window.selectedDevice()))
            connect(device, &UsbDeviceTarnBootloader::onFirmwareUpdateProgress, this,
                    [this](int current, int total) {
                        if (current == total && total > 0 && !completed) {
                            end = sample();
                            completed = true;
                        }
                    });
        readerTid = readerThreadId();
        // selectFile() leaves a name edit that has the focus alone.
        if (QWidget* focused = dialog->focusWidget())
            focused->clearFocus();
        dialog->selectFile(imagePath);
        accepted = true;
        start = sample();
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, protected there
    }

    TARN_wheel_tool& window;
    const QString imagePath;
};

void run(int number) {
    QTemporaryDir bus;
    qputenv("TARN_HID_BUS", bus.path().toLocal8Bit());
    const QString imagePath = bus.filePath(QStringLiteral("image.fw"));
    const QByteArray image = numberedImage(kChunks * UsbDeviceTarnBootloader::kChunkSize);
    {
        QFile file(imagePath);
        if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size()) {
            std::printf("%3d  cannot write the image: %s\n", number,
                        qPrintable(file.errorString()));
            return;
        }
    }
    VirtualDevice device(bus.path().toStdString(), "wheelbase", wheelBaseBootloaderModel());
    device.plug();

    TARN_wheel_tool window;
    UpdateDriver driver(window, imagePath);
    window.show();
    if (!spinUntil([&] { return driver.finished; }, kTimeoutMs)) {
        std::printf("%3d  %s\n", number,
                    driver.accepted ? "the update did not end" : "no file dialog opened");
        return;
    }
    const double seconds = double(driver.end.wall - driver.start.wall) / 1e9;
    const int64_t gui = driver.end.gui - driver.start.gui;
    const int64_t reader = driver.end.reader - driver.start.reader;
    const int64_t rest = driver.end.process - driver.start.process - gui - reader;

    // After the end request the device restarts into its application with the image installed.
    std::vector<uint8_t> installed;
    const bool restarted = spinUntil(
        [&] {
            return device.withModel([&](DeviceModel& model) {
                if (dynamic_cast<BootloaderModel*>(&model))
                    return false;
                installed = model.installedFirmware;
                return true;
            });
        },
        10000);
    const size_t written = device.receivedReports().size();
    const char* verdict = "image verified";
    if (!driver.completed)
        verdict = "update failed";
    else if (!restarted)
        verdict = "device did not restart";
    else if (installed.size() != size_t(image.size()) ||
             std::memcmp(installed.data(), image.constData(), installed.size()) != 0)
        verdict = "image MISMATCH";

    const double perChunk = 1e-3 / kChunks; // nanoseconds to microseconds per chunk
    std::printf("%3d  %7.3f  %9.0f  %7.2f  %7.2f  %7.2f  %8lld  %6d  %s\n", number, seconds,
                kChunks / seconds, double(gui) * perChunk, double(reader) * perChunk,
                double(rest) * perChunk, static_cast<long long>(written) - (kChunks + 1),
                driver.progressPaints, verdict);
    if (!driver.completed)
        std::printf("     the window said: %s\n", qPrintable(driver.result));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The file dialog keeps its history in the user's settings: keep it out of them.
    QTemporaryDir settings;
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
        qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QApplication application(argc, argv);
    std::printf(
        "Firmware update through the window, offscreen, against a virtual bootloader that "
        "answers at once\n"
        "  image: %d chunks of %d bytes; target: under 2 s in all\n"
        "  s: from accepting the file to the last chunk's echo having been handled; chunks/s\n"
        "  GUI, reader, rest: CPU microseconds per chunk of the GUI thread, the reader "
        "thread and the rest of the process (the virtual device)\n"
        "  resent: requests written beyond one per chunk and the end request\n"
        "  paints: paint events of the progress dialog\n\n",
        kChunks, UsbDeviceTarnBootloader::kChunkSize);
    std::printf("run        s   chunks/s      GUI   reader     rest    resent  paints  image\n");
    for (int number = 1; number <= kRuns; ++number)
        run(number);
    return 0;
}
