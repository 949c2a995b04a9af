#include "ControlBench.h"

#include "platform/os/DebugOutput.h"
#include "ui/Canvas.h"
#include "ui/Panel.h"
#include "ui/controls/Controls.h"

#include <tinyxml.h>

#include <algorithm>
#include <set>

using namespace ControlBench;

namespace
{

// The length of each class's property list without an own canvas (a class that makes its own canvas
// lists the canvas's properties besides). Every class the window factory knows must be listed here;
// classes without own properties keep their base's list.
struct ClassEntry
{
    const char* name;
    std::size_t properties;
};
const ClassEntry ClassIndex[] = {
    {"CWindow", 11},
    {"CPanel", 12},
    {"CTransparentWindow", 11},
    {"CLabel", 20},
    {"CToolTip", 20},
    {"CColorPicker::CPickArea", 20},
    {"CSimpleAnimatedLabel", 19},
    {"CMultiLayerAnimatedLabel", 13},
    {"CAnimatedLabel", 11},
    {"CBasicButton", 11},
    {"CButton", 24},
    {"CToggleButton", 28},
    {"CCheckBox", 15},
    {"CRadioButton", 14},
    {"CEditControl", 23},
    {"CComboBox", 15},
    {"CFileEditCombo", 12},
    {"CListBox", 11},
    {"CFileBrowserList", 11},
    {"CBasicSpinControl", 14},
    {"CSpinControlText", 14},
    {"CSpinControlNumber", 19},
    {"CSlider", 15},
    {"CScrollBar", 17},
    {"CSliderSpinControlCombo", 21},
    {"CProgressBar", 19},
    {"CDialogWindow", 14},
    {"CFilePicker", 14},
    {"CMessageBox", 14},
    {"CColorPicker", 14},
    {"CFontPicker", 14},
    {"CGroupBox", 13},
    {"CScrollWindow", 18},
    {"CBasicScrollWindow", 11},
    {"CAnchorWindow", 19},
    {"CTreeControl", 15},
    {"CBasicTreeControl", 11},
};

// Properties whose constructor value lies outside the registration's range: after a trip through a
// layout they read clamped.
struct TripException
{
    const char* className;
    const char* property;
    const char* afterTrip;
};
const TripException TripExceptions[] = {
    {"CEditControl", "Text limit", "10000"},
    {"CSimpleAnimatedLabel", "Speed (ms/frame)", "100"},
};

const char* const WindowProperties[] = {"Name",        "Tooltip Text", "Size",        "Position",
                                        "Disabled",    "Visible",      "Transparent", "Always On Top",
                                        "Write Alpha", "Not Hitable",  "Own Canvas"};

std::vector<std::string> Texts(UILib::CWindow& window, std::vector<std::string>* names = nullptr)
{
    UILib::CPropertyList list;
    window.GetProperties(list);
    std::vector<std::string> texts;
    for (const BaseLib::CGenericProperty& property : list)
    {
        std::string text;
        property.GetAsString(text);
        texts.push_back(text);
        if (names != nullptr)
        {
            names->push_back(property.GetDescription()->GetName());
        }
    }
    return texts;
}

class ClassTable : public ControlTest
{
};

TEST_F(ClassTable, EveryRegisteredClassMatchesItsNameCountAndSurvivesALayoutTrip)
{
    const std::vector<std::string> registered = Factory()->GetClassNames();
    ASSERT_GE(registered.size(), 3u);
    for (const std::string& name : registered)
    {
        SCOPED_TRACE(name);
        const auto entry = std::find_if(std::begin(ClassIndex), std::end(ClassIndex),
                                        [&](const ClassEntry& e) { return name == e.name; });
        ASSERT_NE(entry, std::end(ClassIndex)) << "a registered class missing from the class index";

        UILib::CWindow* window = Factory()->CreateWindowOfType(name);
        ASSERT_NE(window, nullptr);
        EXPECT_STREQ(window->GetClassName(), name.c_str());

        std::vector<std::string> names;
        const std::vector<std::string> before = Texts(*window, &names);
        std::size_t expectedCount = entry->properties;
        if (window->HasOwnCanvas())
        {
            UILib::CPropertyList canvasList;
            window->GetCanvas(false)->GetProperties(canvasList);
            expectedCount += canvasList.size();
        }
        EXPECT_EQ(names.size(), expectedCount);
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size())
            << "display names repeat";
        ASSERT_GE(names.size(), std::size(WindowProperties));
        for (std::size_t i = 0; i < std::size(WindowProperties); ++i)
        {
            EXPECT_EQ(names[i], WindowProperties[i]);
        }

        Platform::DebugOutputCapture trace;
        TiXmlDocument document;
        window->SaveXml(&document, false);
        const TiXmlElement* element = document.FirstChildElement("window");
        ASSERT_NE(element, nullptr);
        EXPECT_STREQ(element->Attribute("type"), name.c_str());
        UILib::CWindow* fresh = Factory()->CreateWindowOfType(name);
        ASSERT_NE(fresh, nullptr);
        EXPECT_TRUE(fresh->LoadXml(element));
        const std::vector<std::string> after = Texts(*fresh);
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < after.size(); ++i)
        {
            std::string expected = before[i];
            for (const TripException& exception : TripExceptions)
            {
                if (name == exception.className && names[i] == exception.property)
                {
                    expected = exception.afterTrip;
                }
            }
            EXPECT_EQ(after[i], expected) << names[i];
        }
        EXPECT_EQ(trace.Text(), "") << "nothing is traced on the trip";
        UILib::CWindow::Delete(fresh);
        UILib::CWindow::Delete(window);
    }
}

TEST_F(ClassTable, TheFactoryKnowsTheWholeWidgetSet)
{
    // Every class a layout file may name, in the window system's order of registration.
    const char* const widgetSet[] = {
        "CWindow",
        "CPanel",
        "CLabel",
        "CButton",
        "CCheckBox",
        "CRadioButton",
        "CToggleButton",
        "CProgressBar",
        "CSlider",
        "CScrollBar",
        "CAnimatedLabel",
        "CSimpleAnimatedLabel",
        "CMultiLayerAnimatedLabel",
        "CTransparentWindow",
        "CAnchorWindow",
        "CBasicScrollWindow",
        "CScrollWindow",
        "CGroupBox",
        "CListBox",
        "CFileBrowserList",
        "CFilePicker",
        "CColorPicker",
        "CFontPicker",
        "CEditControl",
        "CComboBox",
        "CSpinControlNumber",
        "CSpinControlText",
        "CDialogWindow",
        "CSliderSpinControlCombo",
        "CFileEditCombo",
        "CTreeControl",
    };
    for (const char* name : widgetSet)
    {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Factory()->IsClassRegistered(name));
        UILib::CWindow* window = Factory()->CreateWindowOfType(name);
        EXPECT_NE(window, nullptr);
        if (window != nullptr)
        {
            EXPECT_STREQ(window->GetClassName(), name);
            UILib::CWindow::Delete(window);
        }
    }
}

TEST_F(ClassTable, TheRegistrationFunctionInstallsTheFactoryHook)
{
    const UILib::CWindowFactory::RegistrationHook hook = UILib::CWindowFactory::SetRegistrationHook(nullptr);
    EXPECT_EQ(hook, &UILib::RegisterControlClasses);
    UILib::CWindowFactory::SetRegistrationHook(hook);

    // A factory made now knows what the running one knows.
    const UILib::CWindowFactory factory;
    EXPECT_EQ(factory.GetClassNames(), Factory()->GetClassNames());
}

TEST_F(ClassTable, TheWindowSystemsOwnClassesDescribeThemselves)
{
    UILib::CWindow* window = MakeByName("CWindow", 0, 0, 10, 10);
    auto* panel = static_cast<UILib::CPanel*>(MakeByName("CPanel", 5, 6, 30, 20));
    UILib::CWindow* group = MakeByName("CTransparentWindow", 0, 0, 10, 10);
    ASSERT_NE(window, nullptr);
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(group, nullptr);
    panel->SetColor(BaseLib::CColor(1, 2, 3, 4));
    EXPECT_EQ(std::string(window->GetDebugDescription()), "CWindow");
    EXPECT_EQ(std::string(panel->GetDebugDescription()), "CPanel extends(0, 0, 30, 20), color(1, 2, 3, 4)");
    EXPECT_STREQ(group->GetClassName(), "CTransparentWindow");
    EXPECT_EQ(std::string(group->GetDebugDescription()), "CWindow") << "inherited";

    // Delete through the pointer form: null does nothing, a window goes with its children.
    UILib::CWindow::Delete(nullptr);
    auto* child = Make<UILib::CWindow>(0, 0, 5, 5, window);
    const UILib::Handle childHandle = child->GetHandle();
    const UILib::Handle handle = window->GetHandle();
    UILib::CWindow::Delete(window);
    EXPECT_EQ(Manager()->Resolve(handle), nullptr);
    EXPECT_EQ(Manager()->Resolve(childHandle), nullptr);
}

} // namespace
