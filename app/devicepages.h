#pragma once
// The window's page of each device kind with settings: adding a kind adds one line here.

#include "usb/devicetable.h"

namespace Ui {
class TARN_wheel_tool;
}

class DevicePage;
class QObject;
class TelemetryLog;

// The page of `kind`, a child of `parent`; null for a kind without a page (the bootloader).
// The pages share one telemetry log.
DevicePage* createDevicePage(TarnDeviceKind kind, Ui::TARN_wheel_tool& ui, TelemetryLog& log,
                             QObject* parent);
