// The wheel-base page under a stream of joystick reports: the window runs offscreen against a
// virtual wheel base on a private bus that streams 1,000 and then 8,000 reports per second, and
// the program prints how many reports reached the page per second, how many were lost on the
// way, the CPU time per report of the GUI thread and of the reader thread, and the time from the
// device sending a report to the page having handled it. A last run streams 8,000 telemetry
// reports per second into an open telemetry log and prints how many rows reached the file and
// how much of a core the GUI thread used.

#include "app/tarn_wheel_tool.h"
#include "bench/spinning.h"
#include "bench/threadcpu.h"
#include "sim/virtualdevice.h"
#include "sim/wheelbasemodel.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRunSeconds = 5;
constexpr size_t kStampSlots = 1 << 17;

int64_t nowNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// When each report left the virtual device, by its sequence number.
std::array<std::atomic<int64_t>, kStampSlots> sendTimes;

class StampingWheelBaseModel : public WheelBaseModel {
public:
    // Every report a telemetry report (log kind 1), so that each writes one log row.
    bool telemetryOnly = false;

    void streamReport(uint32_t sequence, const ReportSink& send) override {
        sendTimes[sequence % kStampSlots].store(nowNanos(), std::memory_order_relaxed);
        if (!telemetryOnly) {
            WheelBaseModel::streamReport(sequence, send);
            return;
        }
        WheelBaseModel::streamReport(sequence, [&](const std::vector<uint8_t>& report) {
            std::vector<uint8_t> telemetry = report;
            telemetry[4] = kWheelBaseLogTelemetry;
            send(telemetry);
        });
    }
};

// Lines in a file, less its header.
long long rowsIn(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().count('\n') - 1;
}

int64_t percentile(std::vector<int64_t>& values, double fraction) {
    if (values.empty())
        return 0;
    size_t index = std::min(values.size() - 1, size_t(fraction * double(values.size())));
    std::nth_element(values.begin(), values.begin() + long(index), values.end());
    return values[index];
}

void run(int rate, const char* tabName, bool logging = false) {
    QTemporaryDir bus;
    qputenv("TARN_HID_BUS", bus.path().toLocal8Bit());
    auto model = std::make_unique<StampingWheelBaseModel>();
    model->telemetryOnly = logging;
    VirtualDevice wheel(bus.path().toStdString(), "wheelbase", std::move(model));
    wheel.setJoystickRate(0);
    wheel.plug();

    TARN_wheel_tool window;
    window.show();
    auto* save = window.findChild<QPushButton*>(QStringLiteral("pushButton_SaveConfig"));
    if (!spinUntil([&] { return save->isEnabled(); }, 10000)) {
        std::printf("%6d/s  %-5s  the wheel base did not load\n", rate, tabName);
        return;
    }
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabText(i) == QLatin1String(tabName))
            tabs->setCurrentIndex(i);
    }

    auto* device = qobject_cast<UsbDeviceTarnWheelBase*>(window.selectedDevice());
    uint64_t delivered = 0;
    std::vector<int64_t> latencies;
    latencies.reserve(size_t(rate) * kRunSeconds + 1000);
    // Connected after the window's handler, so this runs once the page has handled the report.
    QObject::connect(device, &UsbDeviceTarnWheelBase::onJoystickUpdate, &window,
                     [&](UsbDevice*, TarnUsbWheelBaseJoystickUpdate* update, uint64_t) {
                         const uint8_t* report = reinterpret_cast<const uint8_t*>(update) - 1;
                         int64_t sent = sendTimes[joystickSequence(report) % kStampSlots].load(
                             std::memory_order_relaxed);
                         latencies.push_back(nowNanos() - sent);
                         ++delivered;
                     });

    // The log goes into a directory of its own, the working directory while it runs.
    QTemporaryDir logDirectory;
    const QString previousDirectory = QDir::currentPath();
    auto* logButton = window.findChild<QPushButton*>(QStringLiteral("pushButton_LoggingWheelBase"));
    if (logging) {
        QDir::setCurrent(logDirectory.path());
        logButton->click();
    }

    const std::string guiTid = std::to_string(::getpid());
    const std::string readerTid = readerThreadId();
    const DeviceHost::StreamStats before = wheel.streamStats();
    const int64_t guiBefore = threadCpuNanos(guiTid);
    const int64_t readerBefore = threadCpuNanos(readerTid);
    QElapsedTimer streaming;
    streaming.start();
    wheel.setJoystickRate(rate);
    spin(kRunSeconds * 1000);
    wheel.setJoystickRate(0);
    const double seconds = double(streaming.nsecsElapsed()) / 1e9;
    // Let what is on its way arrive.
    uint64_t seen;
    do {
        seen = delivered;
        spin(200);
    } while (delivered != seen);
    const int64_t guiCpu = threadCpuNanos(guiTid) - guiBefore;
    const int64_t readerCpu = threadCpuNanos(readerTid) - readerBefore;
    const DeviceHost::StreamStats after = wheel.streamStats();
    if (logging) {
        logButton->click();
        QDir::setCurrent(previousDirectory);
        const QStringList logs = QDir(logDirectory.path()).entryList({QStringLiteral("*.csv")});
        const long long rows =
            logs.isEmpty() ? -1 : rowsIn(QDir(logDirectory.path()).filePath(logs.first()));
        std::printf("%6d/s  log    %lld rows written for %llu reports received (%llu sent); "
                    "GUI thread %.0f %% of a core\n",
                    rate, rows, static_cast<unsigned long long>(delivered),
                    static_cast<unsigned long long>(after.sent - before.sent),
                    100.0 * double(guiCpu) / 1e9 / seconds);
        std::fflush(stdout);
        return;
    }

    const uint64_t sent = after.sent - before.sent;
    const uint64_t refused = after.dropped - before.dropped;
    const double perReport = delivered ? 1.0 / double(delivered) : 0.0;
    std::printf("%6d/s  %-5s  %7.0f  %9.0f  %7llu  %7llu  %8.2f  %8.2f  %6.3f  %6.3f\n", rate,
                tabName, double(sent) / seconds, double(delivered) / seconds,
                static_cast<unsigned long long>(sent > delivered ? sent - delivered : 0),
                static_cast<unsigned long long>(refused), double(guiCpu) / 1e3 * perReport,
                double(readerCpu) / 1e3 * perReport, double(percentile(latencies, 0.5)) / 1e6,
                double(percentile(latencies, 0.99)) / 1e6);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::printf("Wheel-base page against a virtual wheel base, window offscreen, %d s per run\n"
                "  sent/s, delivered/s: joystick reports the device sent, the page received\n"
                "  lost: sent but never received; refused: the device could not send them\n"
                "  GUI, reader: CPU microseconds per delivered report on each thread\n"
                "  p50, p99: milliseconds from the device sending a report to the page having "
                "handled it\n\n",
                kRunSeconds);
    std::printf("  stream  tab     sent/s  delivered     lost  refused       GUI    reader     p50"
                "     p99\n");
    for (int rate : {1000, 8000}) {
        for (const char* tab : {"FFB", "Debug"})
            run(rate, tab);
    }
    run(8000, "Debug", true);
    return 0;
}
