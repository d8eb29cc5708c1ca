#include "app/register_controls.h"

#include "app/device_option.h"
#include "app/device_power.h"
#include "devices/ui/device_key_button.h"
#include "devices/ui/device_page_widget.h"
#include "devices/ui/select_panel.h"
#include "keys/ui/key_set_control.h"
#include "lighting/ui/color_palette.h"
#include "macros/ui/macro_control.h"
#include "macros/ui/redio_macro_button.h"
#include "profiles/ui/device_profile.h"
#include "ui/control_factory.h"
#include "ui/placeholder_controls.h"

namespace qv::ui {

void RegisterSystemControls() {
  ControlFactory& factory = ControlFactory::Instance();
  factory.Register<CCircleProgressUI>(QStringLiteral("CCircleProgressUI"));
  factory.Register<CChartViewUI>(QStringLiteral("CChartViewUI"));
  factory.Register<CWndUI>(QStringLiteral("CWndUI"));
  factory.Register<CSelectPanelUI>(QStringLiteral("CSelectPanelUI"));
  factory.Register<CDeviceKeyButtonUI>(QStringLiteral("CDeviceKeyButtonUI"));
  factory.Register<CCloudShareListItemUI>(QStringLiteral("CCloudShareListItemUI"));
  factory.Register<CUpdateInfoListItemUI>(QStringLiteral("CUpdateInfoListItemUI"));
  factory.Register<CDeviceOptionUI>(QStringLiteral("CDeviceOptionUI"));
  factory.Register<CMpDevicePowerUI>(QStringLiteral("CMpDevicePowerUI"));
  factory.Register<CComboEditContainerElementUI>(QStringLiteral("CComboEditContainerElementUI"));
  factory.Register<CHandImgButtonUI>(QStringLiteral("CHandImgButtonUI"));
  factory.Register<CHandImgSelectButtonUI>(QStringLiteral("CHandImgSelectButtonUI"));
  factory.Register<CRedioMacroButtonUI>(QStringLiteral("CRedioMacroButtonUI"));
  factory.Register<CAudioRecordUI>(QStringLiteral("CAudioRecordUI"));
  factory.Register<CLightControlUI>(QStringLiteral("CLightControlUI"));
  factory.Register<CMacroControlUI>(QStringLiteral("CMacroControlUI"));
  factory.Register<CKeySetControlUI>(QStringLiteral("CKeySetControlUI"));
  factory.Register<CDeviceProfileUI>(QStringLiteral("CDeviceProfileUI"));
  factory.Register<CShootControlUI>(QStringLiteral("CShootControlUI"));
  factory.Register<CMagicControlUI>(QStringLiteral("CMagicControlUI"));
  factory.Register<CVoice6533ControlUI>(QStringLiteral("CVoice6533ControlUI"));
  factory.Register<DevicePageWidget>(QStringLiteral("CKestravaUSBDevice"));
  factory.Register<CKestravaMousePadDevice>(QStringLiteral("CKestravaMousePadDevice"));
  factory.Register<CKestravaHS6533Device>(QStringLiteral("CKestravaHS6533Device"));

  // The class names that layouts use for the same controls.
  factory.Register<CSelectPanelUI>(QStringLiteral("SelectPanel"));
  factory.Register<CDeviceKeyButtonUI>(QStringLiteral("DeviceKeyButton"));
  factory.Register<CDeviceOptionUI>(QStringLiteral("DeviceOption"));
  factory.Register<CMpDevicePowerUI>(QStringLiteral("MpDevicePower"));
  // Device pages: the device object lives in the core; its page is this widget.
  factory.Register<DevicePageWidget>(QStringLiteral("KestravaUSBDevice"));
  factory.Register<DevicePageWidget>(QStringLiteral("KestravaKeyboardDevice"));
  factory.Register<DevicePageWidget>(QStringLiteral("KestravaMouseDevice"));
  // The colour field of the palette dialog and the lighting panel.
  factory.Register<CColorPaletteUI>(QStringLiteral("CColorPaletteUI"));
}

}  // namespace qv::ui
