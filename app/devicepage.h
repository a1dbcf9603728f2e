#pragma once
// What the window's frame knows of a device page: the page of the settings stack it fills, the
// device it follows, and the moments the frame tells it of. The frame calls the page of the
// current device's kind and never branches on kinds.

#include <QObject>

class QWidget;
class UsbSettingsDevice;

class DevicePage : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The page of the settings stack that shows this page's kind.
    virtual QWidget* widget() const = 0;
    // Follows `device`, which is of this page's kind, from now on: its signals reach the page
    // and the page's controls edit its active profile. Null: follows none.
    virtual void setDevice(UsbSettingsDevice* device) = 0;
    // Empties the live views; called whenever the page is shown enabled.
    virtual void clear() = 0;
    // The device's settings have been loaded; called before its active profile is shown.
    virtual void showLoaded() = 0;
    // Fills the controls from profile `index`, the device's active profile now; the page asks
    // for the live update that tells the device which profile is active.
    virtual void showProfile(int index) = 0;
};
