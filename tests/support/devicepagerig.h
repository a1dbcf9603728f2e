#pragma once
// The rig of the window tests: a window on a private bus with one virtual device, set up before
// it is plugged in and streaming only as often as asked; what the page's controls show; joystick
// reports for it; the live updates (commands 12 and 13) the device received from the page; records
// as bytes; and a working directory of its own for the logs the page writes.

#include "app/tarn_wheel_tool.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "tests/support/windowlookup.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <functional>
#include <memory>

constexpr int kPageTimeoutMs = 10000;

// What the controls named (separated by spaces) show, separated by '|': a combo box's current
// text, a slider's or spin box's value, whether a check box is ticked, a label's text.
QString shownBy(const TARN_wheel_tool& window, const QString& names);

// A record's bytes, to compare records whole.
template <class Record> QByteArray bytesOf(const Record& record) {
    return {reinterpret_cast<const char*>(&record), int(sizeof record)};
}

// Makes a temporary directory the working one, where the pages write their logs, for as long
// as it lives.
struct WorkingDirectory {
    WorkingDirectory();
    ~WorkingDirectory();
    QStringList logs(const QString& prefix) const;
    // The lines of the one log named with `prefix`, each ending in CR; none when there is not
    // exactly one such log.
    QList<QByteArray> lines(const QString& prefix) const;

    QTemporaryDir directory;
    QString previous;
};

// Model: the virtual device's model; Device: its class in the tool, shown on page `Page` of the
// settings stack. The device leaves its first `unanswered` answers unsent.
template <class Model, class Device, int Page> struct PageRig {
    using Profile = typename Device::ProfileRecord;

    explicit PageRig(const std::function<void(Model&)>& setup = nullptr, int reportsPerSecond = 0,
                     const UsbTimings& timings = fastTimings(), int unanswered = 0)
        : device(bus.addDevice("device", std::make_unique<Model>(), false)) {
        device.setJoystickRate(reportsPerSecond);
        device.holdBackAnswers(unanswered);
        if (setup)
            device.withModel<Model>(setup);
        device.plug();
        window = std::make_unique<TARN_wheel_tool>(nullptr, timings);
        window->show();
    }

    // The page shows the loaded device, which has been written nothing for a while.
    bool load() {
        return QTest::qWaitFor(
                   [this] {
                       return widget<QStackedWidget>("settingsStackedWidget")->currentIndex() ==
                                  Page &&
                              widget<QPushButton>("pushButton_SaveConfig")->isEnabled();
                   },
                   kPageTimeoutMs) &&
               waitUntilQuiet(device, kFastQuietMs);
    }

    template <class T> T* widget(const char* name) const { return windowWidget<T>(*window, name); }
    QString text(const char* name) const { return widget<QLabel>(name)->text(); }
    QString shown(const QString& names) const { return shownBy(*window, names); }
    void click(const char* button) const { widget<QPushButton>(button)->click(); }
    Device* selected() const { return qobject_cast<Device*>(window->selectedDevice()); }
    Profile& active() const { return selected()->activeProfile(); }
    template <class F> auto model(F&& f) { return device.withModel<Model>(f); }

    // One joystick report carrying `update`.
    template <class Update> void inject(const Update& update) {
        std::vector<uint8_t> report = joystickReport();
        std::memcpy(report.data() + 1, &update, sizeof update);
        device.injectReport(report);
    }

    // The start requests of the live updates the device received.
    std::vector<ReceivedReport> liveUpdateStarts() const {
        std::vector<ReceivedReport> starts;
        for (const ReceivedReport& report : withCommand(device.receivedReports(), kCmdLiveUpdate)) {
            if (report.data[Device::kMarkerOffset] != kEndMarker)
                starts.push_back(report);
        }
        return starts;
    }
    // Waits until the edits so far are sent: no debounce runs, the last live update has ended
    // and nothing more is written.
    bool liveUpdateSent() const {
        const auto ended = [this] {
            const std::vector<ReceivedReport> updates =
                withCommand(device.receivedReports(), kCmdLiveUpdate);
            return !selected()->updateTimer.isActive() && !updates.empty() &&
                   updates.back().data[Device::kMarkerOffset] == kEndMarker;
        };
        return QTest::qWaitFor(ended, kPageTimeoutMs) && waitUntilQuiet(device, kFastQuietMs) &&
               ended();
    }
    // The record of profile `index` in the last live update that carried it.
    Profile sentProfile(int index) const {
        Profile record{};
        for (const ReceivedReport& report :
             withCommand(device.receivedReports(), kCmdLiveUpdateProfile)) {
            if (report.data[kRecordOffset] == index)
                std::memcpy(&record, report.data.data() + kRecordOffset, sizeof record);
        }
        return record;
    }

    VirtualBus bus;
    VirtualDevice& device;
    std::unique_ptr<TARN_wheel_tool> window;
};
