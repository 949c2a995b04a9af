#include "ui/controls/Controls.h"

#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"
#include "ui/controls/AnchorWindow.h"
#include "ui/controls/AnimatedLabel.h"
#include "ui/controls/Button.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ColorPicker.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/DialogWindow.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/FileBrowserList.h"
#include "ui/controls/FileEditCombo.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/FontPicker.h"
#include "ui/controls/GroupBox.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/MultiLayerAnimatedLabel.h"
#include "ui/controls/ProgressBar.h"
#include "ui/controls/ScrollBar.h"
#include "ui/controls/ScrollWindow.h"
#include "ui/controls/SimpleAnimatedLabel.h"
#include "ui/controls/Slider.h"
#include "ui/controls/SliderSpinControlCombo.h"
#include "ui/controls/SpinControl.h"
#include "ui/controls/SpinControlNumber.h"
#include "ui/controls/ToggleButton.h"
#include "ui/controls/ToolTip.h"
#include "ui/controls/TreeControl.h"

namespace UILib
{

void RegisterControls()
{
    CWindowFactory::SetRegistrationHook(&RegisterControlClasses);
}

void RegisterControlClasses(CWindowFactory& factory)
{
    // The window system registers "CWindow", "CPanel" and "CTransparentWindow" itself; each control
    // class follows here, in the order of the window system's class list.
    factory.RegisterClass("CLabel", &CLabel::Create);
    factory.RegisterClass("CButton", &CButton::Create);
    factory.RegisterClass("CCheckBox", &CCheckBox::Create);
    factory.RegisterClass("CRadioButton", &CRadioButton::Create);
    factory.RegisterClass("CToggleButton", &CToggleButton::Create);
    factory.RegisterClass("CEditControl", &CEditControl::Create);
    factory.RegisterClass("CComboBox", &CComboBox::Create);
    factory.RegisterClass("CListBox", &CListBox::Create);
    factory.RegisterClass("CFileBrowserList", &CFileBrowserList::Create);
    factory.RegisterClass("CSlider", &CSlider::Create);
    factory.RegisterClass("CSpinControlNumber", &CSpinControlNumber::Create);
    factory.RegisterClass("CSpinControlText", &CSpinControlText::Create);
    factory.RegisterClass("CSliderSpinControlCombo", &CSliderSpinControlCombo::Create);
    factory.RegisterClass("CFileEditCombo", &CFileEditCombo::Create);
    factory.RegisterClass("CScrollBar", &CScrollBar::Create);
    factory.RegisterClass("CProgressBar", &CProgressBar::Create);
    factory.RegisterClass("CColorPicker", &CColorPicker::Create);
    factory.RegisterClass("CFontPicker", &CFontPicker::Create);
    factory.RegisterClass("CDialogWindow", &CDialogWindow::Create);
    factory.RegisterClass("CFilePicker", &CFilePicker::Create);
    factory.RegisterClass("CGroupBox", &CGroupBox::Create);
    factory.RegisterClass("CAnimatedLabel", &CAnimatedLabel::Create);
    factory.RegisterClass("CSimpleAnimatedLabel", &CSimpleAnimatedLabel::Create);
    factory.RegisterClass("CMultiLayerAnimatedLabel", &CMultiLayerAnimatedLabel::Create);
    factory.RegisterClass("CScrollWindow", &CScrollWindow::Create);
    factory.RegisterClass("CBasicScrollWindow", &CBasicScrollWindow::Create);
    factory.RegisterClass("CAnchorWindow", &CAnchorWindow::Create);
    factory.RegisterClass("CTreeControl", &CTreeControl::Create);

    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->SetTooltipCreator([](Handle owner) -> CWindow* { return CToolTip::Create(owner); },
                                   [](CWindow* tooltip, const BaseLib::CString& text) {
                                       static_cast<CToolTip*>(tooltip)->SetText(text);
                                   });
    }
}

} // namespace UILib
