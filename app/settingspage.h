#pragma once
// The part every settings page shares: following a device of its class, and the edit helper with
// which a control writes its field of the active profile, shows its value and asks the device
// for a live update (sent after the device's debounce).

#include "app/devicepage.h"

#include <QAbstractSlider>
#include <QLabel>
#include <QPointer>
#include <QSignalBlocker>
#include <QString>
#include <QWidget>

#include <cstring>

template <class Device> class SettingsPage : public DevicePage {
public:
    using Profile = typename Device::ProfileRecord;
    // How a control's value is shown in its label.
    using TextRule = QString (*)(int value);

    SettingsPage(QWidget* page, QObject* parent)
        : DevicePage(parent)
        , page(page) {}

    QWidget* widget() const override { return page; }

    void setDevice(UsbSettingsDevice* settings) override {
        if (device)
            QObject::disconnect(device, nullptr, this, nullptr);
        device = qobject_cast<Device*>(settings);
        if (device)
            connectDevice(*device);
    }

protected:
    // Connects the device's own signals to the page.
    virtual void connectDevice(Device& followed) { (void)followed; }

    // Stores `value` into `field` of the active profile and asks for a live update.
    template <class Field> void edit(Field Profile::*field, int value) {
        if (!device)
            return;
        // Copied in: the record is packed, so the field may sit at any address.
        const Field stored = static_cast<Field>(value);
        std::memcpy(&(device->activeProfile().*field), &stored, sizeof stored);
        device->updateSettings();
    }
    // The same, and shows the value in `label` by `text`.
    template <class Field>
    void edit(Field Profile::*field, int value, QLabel* label, TextRule text) {
        if (!device)
            return;
        label->setText(text(value));
        edit(field, value);
    }
    // Moves a slider to a profile's value without running its slot, and returns the value the
    // slider accepted (a value outside its range is shown clamped).
    static int showSliderValue(QAbstractSlider* slider, int value) {
        QSignalBlocker blocker(slider);
        slider->setValue(value);
        return slider->value();
    }
    // A choice from a combo box; an emptied box reports index -1, which is no choice.
    template <class Field> void choose(Field Profile::*field, int index) {
        if (index >= 0)
            edit(field, index);
    }

    QWidget* const page;
    QPointer<Device> device;
};
