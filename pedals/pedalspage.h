#pragma once
// The pedals page of the settings stack. It follows the selected pedals; its controls and live
// bars are not on the form yet, so there is nothing to fill or empty.

#include "app/settingspage.h"
#include "pedals/usbdevicetarnpedals.h"
#include "ui_tarn_wheel_tool.h"

class PedalsPage : public SettingsPage<UsbDeviceTarnPedals> {
    Q_OBJECT

public:
    PedalsPage(Ui::TARN_wheel_tool& ui, QObject* parent)
        : SettingsPage(ui.settingsPedalsPage, parent) {}

    void clear() override {}
    void showLoaded() override {}
    void showProfile(int) override {}
};
