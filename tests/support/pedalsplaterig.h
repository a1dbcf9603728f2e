#pragma once
// The rig of the pedals and button-plate page tests: a window on a private bus with one virtual
// device, set up before it is plugged in and streaming only as often as asked, and the live
// updates (commands 12 and 13) the device received from the page.

#include "app/tarn_wheel_tool.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "tests/support/windowlookup.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

#include <cstring>
#include <functional>
#include <memory>

// Model: the virtual device's model; Device: its class in the tool, shown on page `Page` of the
// settings stack.
template <class Model, class Device, int Page> struct PageRig {
    explicit PageRig(const std::function<void(Model&)>& setup = nullptr, int reportsPerSecond = 0,
                     std::unique_ptr<Model> model = std::make_unique<Model>())
        : device(bus.addDevice("device", std::move(model), false)) {
        device.setJoystickRate(reportsPerSecond);
        if (setup)
            device.withModel<Model>(setup);
        device.plug();
        window = std::make_unique<TARN_wheel_tool>(nullptr, fastTimings());
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
                   10000) &&
               waitUntilQuiet(device, kFastQuietMs);
    }

    template <class T> T* widget(const char* name) const { return windowWidget<T>(*window, name); }
    QString text(const char* name) const { return widget<QLabel>(name)->text(); }
    void click(const char* button) const { widget<QPushButton>(button)->click(); }
    Device* selected() const { return qobject_cast<Device*>(window->selectedDevice()); }
    template <class F> auto model(F&& f) { return device.withModel<Model>(f); }

    // The start requests of the live updates the device received.
    std::vector<ReceivedReport> liveUpdateStarts() const {
        std::vector<ReceivedReport> starts;
        for (const ReceivedReport& report : withCommand(device.receivedReports(), kCmdLiveUpdate)) {
            if (report.data[26] != kEndMarker)
                starts.push_back(report);
        }
        return starts;
    }
    bool liveUpdateEnded() const {
        const std::vector<ReceivedReport> updates =
            withCommand(device.receivedReports(), kCmdLiveUpdate);
        return !updates.empty() && updates.back().data[26] == kEndMarker;
    }
    // The record of profile `index` in the last live update that carried it.
    template <class Record> Record sentProfile(int index) const {
        Record record{};
        for (const ReceivedReport& report :
             withCommand(device.receivedReports(), kCmdLiveUpdateProfile)) {
            if (report.data[3] == index)
                std::memcpy(&record, report.data.data() + 3, sizeof record);
        }
        return record;
    }

    VirtualBus bus;
    VirtualDevice& device;
    std::unique_ptr<TARN_wheel_tool> window;
};
