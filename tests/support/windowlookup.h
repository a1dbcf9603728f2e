#pragma once
// Looking into the main window from a test: its widgets by object name, and whether the
// wheel-base page is showing a loaded device.

#include "app/tarn_wheel_tool.h"
#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "sim/virtualdevice.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QPushButton>
#include <QStackedWidget>
#include <QString>

template <class T> T* windowWidget(const TARN_wheel_tool& window, const char* name) {
    T* found = window.findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

// The selected wheel base's settings have been loaded and its page is showing and enabled.
inline bool wheelBasePageLoaded(const TARN_wheel_tool& window) {
    return windowWidget<QStackedWidget>(window, "settingsStackedWidget")->currentIndex() == 1 &&
           windowWidget<QPushButton>(window, "pushButton_SaveConfig")->isEnabled();
}

// The wheel-base page shows the virtual wheel base `wheel`, selected and loaded.
inline bool showsWheelBase(const TARN_wheel_tool& window, const VirtualDevice& wheel) {
    return wheelBasePageLoaded(window) && window.selectedDevice() &&
           window.selectedDevice()->path == QString::fromStdString(wheel.socketPath());
}
