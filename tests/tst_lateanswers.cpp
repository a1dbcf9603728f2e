// An answer acts once. Devices that answer a request after its resend answer it twice; the
// second answer, and any answer that matches nothing outstanding, must change nothing: no chain
// runs twice, nothing is written unasked, and the retry of what is outstanding goes on. (A late
// firmware chunk echo: tst_firmwareupdate lostAndLateEchoes.)

#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "pedals/usbdevicetarnpedals.h"
#include "tests/support/directdevice.h"
#include "tests/support/reports.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QSignalSpy>
#include <QtTest>

#include <type_traits>

namespace {

using Wheel = UsbDeviceTarnWheelBase;
using Pedals = UsbDeviceTarnPedals;
using Plate = UsbDeviceTarnButtonPlate;
constexpr int kTimeoutMs = 15000;
// A late answer comes after the resend and before the resend of the next request, so it meets
// the request that follows it.
constexpr int kRetryMs = 200;
const AnswerFate kLate{AnswerFate::Late, 300};
const char* const kLoad = "3 5 5 5 3";
const char* const kSave = "4 6 6 6 4";
const char* const kUpdate = "12 13 13 13 12";
constexpr int kQuietMs = 300 + 2 * kRetryMs;

// The commands the tool wrote, with each resend (a repeat of the report before it) taken out.
QString walkOf(const VirtualDevice& device) {
    QStringList walk;
    std::vector<uint8_t> previous;
    for (const ReceivedReport& report : device.receivedReports()) {
        if (report.data != previous)
            walk << QString::number(report.data[1]);
        previous = report.data;
    }
    return walk.join(' ');
}

// One exchange: what starts it, whose answers meet which fates, and what it must come to: the
// walk of commands written and the signals that end exchanges, in order.
template <class Device> struct Exchange {
    const char* name;
    void (Device::*start)();
    int command;
    AnswerFate fate;
    const char* walk;
    const char* ends;
};

template <class Device> void noteEnds(Device& device, QStringList& ends) {
    auto note = [&device, &ends](auto signal, const char* name) {
        QObject::connect(&device, signal, [&ends, name] { ends << name; });
    };
    note(&Device::onSettingsLoaded, "loaded");
    note(&Device::onSettingsSaved, "saved");
    if constexpr (std::is_same_v<Device, Pedals>) {
        note(&Pedals::onCalibrationStarted, "started");
        note(&Pedals::onCalibrationSave, "calibrated");
    } else if constexpr (std::is_same_v<Device, Plate>) {
        note(&Plate::onStatisticsLoad, "statistics");
        note(&Plate::onStatisticsReset, "reset");
        note(&Plate::onCalibrationSave, "calibrated");
    }
}

// Runs each exchange on a fresh device that `add` puts on the bus, loaded first unless the
// exchange is the load, and compares "name: walk, ends", so that a failure names its row.
template <class Device>
void checkExchanges(VirtualDevice& (VirtualBus::*add)(const std::string&, bool),
                    const std::vector<Exchange<Device>>& exchanges) {
    for (const Exchange<Device>& exchange : exchanges) {
        VirtualBus bus;
        VirtualDevice& virtualDevice = (bus.*add)("device", true);
        DirectDevice<Device> device(virtualDevice);
        device->applyTimings(UsbTimings{1000, kRetryMs, 20});
        QSignalSpy loaded(device.get(), &Device::onSettingsLoaded);
        if (exchange.start != &Device::loadSettings) {
            device->loadSettings();
            QVERIFY(loaded.wait(kTimeoutMs) && waitUntilQuiet(virtualDevice, kQuietMs));
        }
        virtualDevice.clearReceivedReports();
        virtualDevice.scriptAnswers(uint8_t(exchange.command), {exchange.fate});
        QStringList ends;
        noteEnds(*device.get(), ends);
        device->liveUpdatesEnabled = true;
        (device.get()->*exchange.start)();
        QVERIFY(waitForWrites(virtualDevice, 1, kTimeoutMs));
        QVERIFY(waitUntilQuiet(virtualDevice, exchange.fate.delayMs + 2 * kRetryMs));
        const QString name = exchange.name + QLatin1String(": ");
        QCOMPARE(name + walkOf(virtualDevice) + ", " + ends.join(' '),
                 name + exchange.walk + ", " + exchange.ends);
    }
}

} // namespace

class TestLateAnswers : public QObject {
    Q_OBJECT

private slots:
    // The rows of the settings exchanges every kind shares, on the wheel base: an answer that
    // meets a request of another command, and one that meets the same command's next request.
    // Then the kinds' own exchanges; the pedals read their calibration (10) in the load.
    void chainsRunOnce() {
        checkExchanges<Wheel>(&VirtualBus::addWheelBase,
                              {{"load, 3 late", &Wheel::loadSettings, 3, kLate, kLoad, "loaded"},
                               {"load, 5 late", &Wheel::loadSettings, 5, kLate, kLoad, "loaded"},
                               {"save, 6 late", &Wheel::saveSettings, 6, kLate, kSave, "saved"},
                               {"update, 13 late", &Wheel::updateSettings, 13, kLate, kUpdate, ""},
                               {"centre, 7 late", &Wheel::centerRim, 7, kLate, "7", "loaded"}});
        // The pedals acknowledge a calibration start only after a second: its resend comes later.
        const AnswerFate lateStart{AnswerFate::Late, Pedals::kCalibrationStartRetryMs + 300};
        checkExchanges<Pedals>(
            &VirtualBus::addPedals,
            {{"load, 10 late", &Pedals::loadSettings, 10, kLate, "3 10 5 5 5 3", "loaded"},
             {"start, 14 late", &Pedals::startCalibration, 14, lateStart, "14", "started"},
             {"save, 11 late", &Pedals::saveCalibration, 11, kLate, "11", "calibrated"}});
        checkExchanges<Plate>(
            &VirtualBus::addButtonPlate,
            {{"statistics, 21 late", &Plate::loadStatistics, 21, kLate, "21 21 21 21 21 21 21",
              "statistics"},
             {"statistics reset, 22 late", &Plate::resetStatistics, 22, kLate, "22", "reset"},
             {"calibration, 16 late", &Plate::saveClutchesCalibration, 16, kLate, "16",
              "calibrated"}});
    }
};

QTEST_GUILESS_MAIN(TestLateAnswers)
#include "tst_lateanswers.moc"
