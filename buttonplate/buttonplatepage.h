#pragma once
// The button-plate page of the settings stack. It follows the selected button plate; its
// controls and live views are not on the form yet, so there is nothing to fill or empty.

#include "app/settingspage.h"
#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "ui_tarn_wheel_tool.h"
#include "wheelbase/telemetrylog.h"

class ButtonPlatePage : public SettingsPage<UsbDeviceTarnButtonPlate> {
    Q_OBJECT

public:
    ButtonPlatePage(Ui::TARN_wheel_tool& ui, TelemetryLog&, QObject* parent)
        : SettingsPage(ui.settingsButtonPlatePage, parent) {}

    void clear() override {}
    void showLoaded() override {}
    void showProfile(int) override {}
};
