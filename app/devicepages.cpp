#include "app/devicepages.h"

#include "buttonplate/buttonplatepage.h"
#include "pedals/pedalspage.h"
#include "wheelbase/wheelbasepage.h"

#include <map>

namespace {

using PageFactory = DevicePage* (*)(Ui::TARN_wheel_tool& ui, TelemetryLog& log, QObject* parent);

template <class Page>
DevicePage* createPage(Ui::TARN_wheel_tool& ui, TelemetryLog& log, QObject* parent) {
    return new Page(ui, log, parent);
}

} // namespace

DevicePage* createDevicePage(TarnDeviceKind kind, Ui::TARN_wheel_tool& ui, TelemetryLog& log,
                             QObject* parent) {
    static const std::map<TarnDeviceKind, PageFactory> factories = {
        {TarnDeviceKind::WheelBase, createPage<WheelBasePage>},
        {TarnDeviceKind::Pedals, createPage<PedalsPage>},
        {TarnDeviceKind::ButtonPlate, createPage<ButtonPlatePage>},
    };
    const auto found = factories.find(kind);
    return found == factories.end() ? nullptr : found->second(ui, log, parent);
}
