#include "tests/ui/UiFixture.h"
#include "ui/Clock.h"
#include "ui/Panel.h"
#include "ui/WindowFactory.h"

#include "platform/os/DebugOutput.h"

#include <tinyxml.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

using Texts = std::vector<std::string>;

std::string Data(const char* name)
{
    return std::string(QUARROW_TEST_DATA_DIR) + "/" + name;
}

int Count(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    {
        ++count;
    }
    return count;
}

// Logs when its properties are read (with how many children it has then) and when it gets a parent.
class CRecorder : public UILib::CWindow
{
public:
    explicit CRecorder(Texts* log) : m_log(log) {}
    const char* GetClassName() const override { return "CRecorder"; }
    bool LoadXml(const TiXmlElement* element) override
    {
        const bool result = CWindow::LoadXml(element);
        m_log->push_back(std::string(static_cast<const char*>(GetName())) + " reads properties with " +
                         std::to_string(GetChildCount()) + " children");
        return result;
    }
    void OnParentChanged() override
    {
        m_log->push_back(std::string(static_cast<const char*>(GetName())) + " attached");
    }

private:
    Texts* m_log;
};

// A control that makes its own internal child "__inner" (a panel).
class CInnerOwner : public UILib::CWindow
{
public:
    CInnerOwner()
    {
        auto* inner = new UILib::CPanel();
        inner->SetName("__inner");
        AddChild(inner->GetHandle());
    }
    const char* GetClassName() const override { return "CInnerOwner"; }
};

class LayoutTest : public UiTest::UiFixture
{
protected:
    void SetUp() override
    {
        root = Child(nullptr, "root", 0, 0, 640, 480);
        manager->AddLayer(root);
        factory.RegisterClass("CRecorder", [this] { return new CRecorder(&order); });
        factory.RegisterClass("CInnerOwner", [] { return new CInnerOwner(); });
    }
    void TearDown() override
    {
        UILib::SetTimeOverride(-1.0);
        UiFixture::TearDown();
    }

    int WindowCount() const
    {
        const UILib::CHandleTable& table = manager->GetWindowTable();
        return static_cast<int>(table.GetEntryCount()) - static_cast<int>(table.GetFreeCount());
    }
    std::string ChildName(const UILib::CWindow* parent, int index) const
    {
        return static_cast<const char*>(manager->Resolve(parent->GetChildHandle(index))->GetName());
    }

    UILib::CWindowFactory factory;
    UiTest::CTestWindow* root = nullptr;
    Texts order;
};

TEST_F(LayoutTest, ClassesAreRegisteredByName)
{
    EXPECT_TRUE(factory.IsClassRegistered("CWindow"));
    EXPECT_TRUE(factory.IsClassRegistered("CPanel"));
    EXPECT_TRUE(factory.IsClassRegistered("CTransparentWindow"));
    EXPECT_FALSE(factory.IsClassRegistered("cpanel")); // byte-wise
    EXPECT_EQ(factory.CreateWindowOfType("CButton"), nullptr);

    UILib::CWindow* panel = factory.CreateWindowOfType("CPanel");
    ASSERT_NE(panel, nullptr);
    EXPECT_STREQ(panel->GetClassName(), "CPanel");
    panel->Delete();

    // A name registered again replaces its creator.
    factory.RegisterClass("CPanel", &UILib::CTransparentWindow::Create);
    UILib::CWindow* replaced = factory.CreateWindowOfType("CPanel");
    EXPECT_STREQ(replaced->GetClassName(), "CTransparentWindow");
    replaced->Delete();
}

TEST_F(LayoutTest, TopLevelWindowsAreReadInDocumentOrderAndNestedWindowsBecomeChildren)
{
    std::vector<UILib::CWindow*> list;
    ASSERT_TRUE(factory.LoadLayoutWindows(Data("layout_two.xml"), root, &list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_STREQ(list[0]->GetClassName(), "CTransparentWindow");
    EXPECT_EQ(list[0]->GetName(), BaseLib::CString("group"));
    EXPECT_EQ(list[0]->GetPosition(), BaseLib::CPoint(10, 20));
    EXPECT_EQ(list[1]->GetName(), BaseLib::CString("second"));
    ASSERT_EQ(root->GetChildCount(), 2);
    EXPECT_EQ(ChildName(root, 0), "group");
    EXPECT_EQ(ChildName(root, 1), "second");

    ASSERT_EQ(list[0]->GetChildCount(), 1);
    auto* inside = dynamic_cast<UILib::CPanel*>(manager->Resolve(list[0]->GetChildHandle(0)));
    ASSERT_NE(inside, nullptr);
    EXPECT_EQ(inside->GetName(), BaseLib::CString("inside"));
    EXPECT_EQ(inside->GetColor(), BaseLib::CColor(255, 0, 0, 255));

    // LoadLayout reads only the first window.
    UiTest::CTestWindow* other = Child(nullptr, "other", 0, 0, 10, 10);
    UILib::CWindow* first = factory.LoadLayout(Data("layout_two.xml"), other);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetName(), BaseLib::CString("group"));
    EXPECT_EQ(first->GetParentHandle(), other->GetHandle());
    EXPECT_EQ(other->GetChildCount(), 1);
    other->Delete();

    // Without a list the windows are still built.
    EXPECT_TRUE(factory.LoadLayoutWindows(Data("layout_two.xml"), root, nullptr));
    EXPECT_EQ(root->GetChildCount(), 4);
}

TEST_F(LayoutTest, ChildrenAreAttachedBeforeTheirWindowReadsItsPropertiesAndInternalChildrenAreAddressed)
{
    std::vector<UILib::CWindow*> list;
    ASSERT_TRUE(factory.LoadLayoutWindows(Data("layout_order.xml"), root, &list));
    EXPECT_EQ(order, (Texts{"inner reads properties with 0 children", "inner attached",
                            "outer reads properties with 1 children", "outer attached"}));

    // "__inner" set the existing child's properties and made nothing.
    ASSERT_EQ(list.size(), 2u);
    UILib::CWindow* owner = list[1];
    ASSERT_EQ(owner->GetChildCount(), 1);
    auto* inner = dynamic_cast<UILib::CPanel*>(manager->Resolve(owner->GetChildHandle(0)));
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->GetName(), BaseLib::CString("__inner"));
    EXPECT_EQ(inner->GetPosition(), BaseLib::CPoint(3, 4));
    EXPECT_EQ(inner->GetColor(), BaseLib::CColor(0, 0, 255, 255));
    // root, outer, inner, owner, __inner
    EXPECT_EQ(WindowCount(), 5);
}

TEST_F(LayoutTest, AnUnregisteredTypeStopsTheReadingLeavesNoOrphanAndNamesFileLineAndType)
{
    Platform::DebugOutputCapture capture;
    std::vector<UILib::CWindow*> list;
    EXPECT_FALSE(factory.LoadLayoutWindows(Data("layout_unregistered.xml"), root, &list));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->GetName(), BaseLib::CString("first"));
    EXPECT_EQ(root->GetChildCount(), 1); // "second" failed, "third" was not read
    EXPECT_EQ(WindowCount(), 2);         // root and "first": the failed windows were deleted

    const std::string trace = capture.Text();
    EXPECT_EQ(Count(trace, ": Error:"), 1) << trace;
    EXPECT_NE(trace.find("layout_unregistered.xml, line 12: the window type \"CNoSuchWindow\" is not registered"),
              std::string::npos)
        << trace;

    // LoadLayout hands back its first window as far as it was built, without a parent.
    const char* text = R"(<layout><window type="CPanel"><property name="Name" value="partial"/>
        <window type="CPanel"/><window type="CMissing"/></window></layout>)";
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "quarrow_layout_partial.xml";
    std::ofstream(file) << text;
    UILib::CWindow* partial = factory.LoadLayout(file.string(), root);
    std::filesystem::remove(file);
    ASSERT_NE(partial, nullptr);
    EXPECT_EQ(partial->GetName(), BaseLib::CString()); // its own properties were not read
    EXPECT_EQ(partial->GetParentHandle(), 0u);
    EXPECT_EQ(partial->GetChildCount(), 1);
    EXPECT_EQ(root->GetChildCount(), 1);
    partial->Delete();
    EXPECT_EQ(WindowCount(), 2);
}

TEST_F(LayoutTest, UnknownPropertiesAreSkippedWithATraceAndIncompleteOnesEndTheWindowsProperties)
{
    Platform::DebugOutputCapture capture;
    std::vector<UILib::CWindow*> list;
    ASSERT_TRUE(factory.LoadLayoutWindows(Data("layout_properties.xml"), root, &list));
    ASSERT_EQ(list.size(), 2u);
    auto* panel = static_cast<UILib::CPanel*>(list[0]);
    EXPECT_EQ(panel->GetColor(), BaseLib::CColor(10, 20, 30, 255));
    EXPECT_EQ(panel->GetSize(), BaseLib::CSize(40, 50));
    EXPECT_EQ(list[1]->GetSize(), BaseLib::CSize(60, 70));
    EXPECT_EQ(list[1]->GetName(), BaseLib::CString()); // after the property without "value"
    EXPECT_EQ(root->GetChildCount(), 2);               // a window whose properties ended is still attached

    const std::string trace = capture.Text();
    EXPECT_EQ(Count(trace, ": Error:"), 2) << trace;
    EXPECT_NE(trace.find("layout_properties.xml, line 4: CPanel has no property \"Colour\""), std::string::npos)
        << trace;
    EXPECT_NE(trace.find("layout_properties.xml, line 10: a \"property\" without \"value\""), std::string::npos)
        << trace;
}

TEST_F(LayoutTest, FilesThatCannotBeUsedGiveNothingAndOneTraceNamingTheFile)
{
    const std::filesystem::path deep = std::filesystem::temp_directory_path() / "quarrow_layout_deep.xml";
    {
        std::ofstream out(deep);
        out << "<layout>";
        for (int i = 0; i < 10000; ++i)
        {
            out << "<window type=\"CPanel\">";
        }
        for (int i = 0; i < 10000; ++i)
        {
            out << "</window>";
        }
        out << "</layout>";
    }
    const std::string noWindow = Data("layout_wrong_root.xml");
    struct Case
    {
        std::string file;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {Data("missing.xml"), "missing.xml: the file cannot be read"},
        {Data("layout_bad.xml"), "layout_bad.xml: not XML: "},
        {Data("layout_wrong_root.xml"), "layout_wrong_root.xml, line 2: the root element is not \"layout\""},
        {deep.string(), "quarrow_layout_deep.xml: not read: elements nested deeper than 256 levels"},
    };
    for (const Case& c : cases)
    {
        Platform::DebugOutputCapture capture;
        EXPECT_EQ(factory.LoadLayout(c.file, root), nullptr) << c.file;
        std::vector<UILib::CWindow*> list;
        EXPECT_FALSE(factory.LoadLayoutWindows(c.file, root, &list)) << c.file;
        EXPECT_TRUE(list.empty());
        const std::string trace = capture.Text();
        EXPECT_EQ(Count(trace, ": Error:"), 2) << trace; // one per call
        EXPECT_EQ(Count(trace, c.expected), 2) << trace;
    }
    std::filesystem::remove(deep);
    EXPECT_EQ(root->GetChildCount(), 0);

    // The parser's error names its line.
    Platform::DebugOutputCapture capture;
    factory.LoadLayout(Data("layout_bad.xml"), root);
    EXPECT_NE(capture.Text().find("at line 5"), std::string::npos) << capture.Text();

    // A layout without windows: nothing for LoadLayout (with a trace), success for LoadLayoutWindows.
    const std::filesystem::path empty = std::filesystem::temp_directory_path() / "quarrow_layout_empty.xml";
    std::ofstream(empty) << "<layout><!-- nothing --></layout>";
    capture.Clear();
    EXPECT_EQ(factory.LoadLayout(empty.string(), root), nullptr);
    EXPECT_NE(capture.Text().find("no \"window\" element"), std::string::npos);
    EXPECT_TRUE(factory.LoadLayoutWindows(empty.string(), root, nullptr));
    std::filesystem::remove(empty);

    // An element addressing an internal child that is not there.
    TiXmlDocument document("inline");
    document.Parse("<window name=\"__nothing\"/>");
    capture.Clear();
    UILib::CWindow* out = root;
    EXPECT_FALSE(factory.ReadWindowElement(document.RootElement(), root, &out));
    EXPECT_EQ(out, nullptr);
    EXPECT_NE(capture.Text().find("layout inline, line 1: CTestWindow has no internal child \"__nothing\""),
              std::string::npos)
        << capture.Text();
    EXPECT_FALSE(factory.ReadWindowElement(document.RootElement(), nullptr, nullptr));
}

TEST_F(LayoutTest, AlwaysOnTopWindowsReadInARowEndWithTheSecondAbove)
{
    Child(root, "plain", 0, 0, 10, 10);
    ASSERT_TRUE(factory.LoadLayoutWindows(Data("layout_on_top.xml"), root, nullptr));
    ASSERT_EQ(root->GetChildCount(), 3);
    EXPECT_EQ(ChildName(root, 0), "plain");
    EXPECT_EQ(ChildName(root, 1), "first");
    EXPECT_EQ(ChildName(root, 2), "second");

    // Reading them again raises the newest pair above the old one, the newest on top.
    ASSERT_TRUE(factory.LoadLayoutWindows(Data("layout_on_top.xml"), root, nullptr));
    ASSERT_EQ(root->GetChildCount(), 5);
    EXPECT_EQ(ChildName(root, 4), "second");
    EXPECT_EQ(manager->Resolve(root->GetChildHandle(4))->IsAlwaysOnTop(), true);
}

TEST_F(LayoutTest, AlwaysOnTopNextToAnOpenModalWindowEnds)
{
    UiTest::CTestWindow* modal = Child(root, "modal", 0, 0, 10, 10);
    modal->SetAlwaysOnTop(true);
    manager->PushModalWindow(modal);
    // Activation does nothing for the modal window's siblings: the re-sorting cannot move them.
    ASSERT_TRUE(factory.LoadLayoutWindows(Data("layout_on_top.xml"), root, nullptr));
    EXPECT_EQ(root->GetChildCount(), 3);
    manager->RemoveModalWindow(modal);
}

TEST_F(LayoutTest, AnimationFromALayoutPlaysThroughTheManagersUpdate)
{
    UILib::CWindow* window = factory.LoadLayout(Data("layout_animation.xml"), root);
    ASSERT_NE(window, nullptr);
    UILib::SetTimeOverride(10.0);
    manager->Update();
    window->PlayAnimation("slide", false, 1.0f, false);
    for (double t : {10.5, 11.0, 11.5, 12.0, 12.5})
    {
        UILib::SetTimeOverride(t);
        manager->Update();
        if (t == 11.0)
        {
            EXPECT_EQ(window->GetPosition(), BaseLib::CPoint(50, 10));
        }
    }
    EXPECT_FALSE(window->IsAnimationPlaying("slide", false));
    EXPECT_EQ(window->GetPosition(), BaseLib::CPoint(100, 20));
}

} // namespace
