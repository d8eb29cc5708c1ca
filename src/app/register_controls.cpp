#include "app/register_controls.h"

#include "app/control_factory.h"
#include "app/placeholder_controls.h"

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
  factory.Register<CKestravaUSBDevice>(QStringLiteral("CKestravaUSBDevice"));
  factory.Register<CKestravaMousePadDevice>(QStringLiteral("CKestravaMousePadDevice"));
  factory.Register<CKestravaHS6533Device>(QStringLiteral("CKestravaHS6533Device"));
}

}  // namespace qv::ui
