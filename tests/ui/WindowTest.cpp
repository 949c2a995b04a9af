#include "UiFixture.h"

#include "foundation/TypeTag.h"

#include <tinyxml.h>

using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CSize;
using UILib::CWindow;
using UiTest::CTestWindow;

namespace
{

class Window : public UiTest::UiFixture
{
protected:
    std::vector<UILib::Handle> Children(const CWindow& window)
    {
        std::vector<UILib::Handle> result;
        for (int i = 0; i < window.GetChildCount(); ++i)
        {
            result.push_back(window.GetChildHandle(i));
        }
        return result;
    }
};

TEST_F(Window, NewWindowDefaults)
{
    CWindow window;
    EXPECT_EQ(window.GetHandle(), 0x10000u);
    EXPECT_EQ(window.GetSize(), CSize(1, 1));
    EXPECT_EQ(window.GetPosition(), CPoint(0, 0));
    EXPECT_TRUE(window.IsVisible());
    EXPECT_FALSE(window.IsDisabled());
    EXPECT_TRUE(window.CanTakeFocus());
    EXPECT_EQ(window.GetFlags(), CWindow::FlagCanTakeFocus);
    EXPECT_EQ(window.GetCursorType(), 1);
    EXPECT_EQ(window.GetParent(), nullptr);
    EXPECT_EQ(window.GetVisualizationId(), BaseLib::MakeTypeTag("STND"));
    EXPECT_EQ(window.GetMinimumSize(), CSize(0, 0));
    EXPECT_EQ(window.GetMaximumSize(), CSize(-1, -1));
}

TEST_F(Window, ChildOrderKeepsAlwaysOnTopAbove)
{
    CWindow* root = new CWindow;
    CWindow* a = Child(root, "A", 0, 0, 10, 10);
    CWindow* b = Child(root, "B", 0, 0, 10, 10);
    b->SetAlwaysOnTop(true);
    CWindow* c = Child(root, "C", 0, 0, 10, 10);
    EXPECT_EQ(Children(*root), (std::vector<UILib::Handle>{a->GetHandle(), c->GetHandle(), b->GetHandle()}));

    // Adding an existing child changes nothing.
    EXPECT_FALSE(root->AddChild(a->GetHandle()));
    EXPECT_EQ(root->GetChildCount(), 3);

    // A child of another window moves.
    CWindow* other = new CWindow;
    EXPECT_TRUE(other->AddChild(c->GetHandle()));
    EXPECT_EQ(c->GetParent(), other);
    EXPECT_EQ(Children(*root), (std::vector<UILib::Handle>{a->GetHandle(), b->GetHandle()}));
    other->Delete();
    root->Delete();
}

TEST_F(Window, AddingSelfOrAncestorIsRefused)
{
    CWindow* grandparent = new CWindow;
    CWindow* parent = Child(grandparent, "p", 0, 0, 10, 10);
    CWindow* child = Child(parent, "c", 0, 0, 10, 10);
    Platform::DebugOutputCapture capture;
    EXPECT_FALSE(child->AddChild(child->GetHandle()));
    EXPECT_FALSE(child->AddChild(grandparent->GetHandle()));
    EXPECT_NE(capture.Text().find("Error"), std::string::npos);
    EXPECT_EQ(grandparent->GetParent(), nullptr);
    EXPECT_EQ(child->GetChildCount(), 0);
    EXPECT_EQ(child->GetTopLevelWindow(), grandparent);
    grandparent->Delete();
}

TEST_F(Window, DeletingAParentDeletesItsSubtree)
{
    CWindow* root = new CWindow;
    CWindow* a = Child(root, "a", 0, 0, 10, 10);
    CWindow* b = Child(a, "b", 0, 0, 10, 10);
    CWindow* c = Child(root, "c", 0, 0, 10, 10);
    const std::vector<UILib::Handle> handles{root->GetHandle(), a->GetHandle(), b->GetHandle(), c->GetHandle()};
    root->Delete();
    for (UILib::Handle handle : handles)
    {
        EXPECT_EQ(manager->Resolve(handle), nullptr);
    }
    EXPECT_EQ(manager->GetWindowTable().GetFreeCount(), manager->GetWindowTable().GetEntryCount());
}

TEST_F(Window, VisibleAndDisabledPassDownTheTree)
{
    CWindow* root = new CWindow;
    CWindow* a = Child(root, "a", 0, 0, 10, 10);
    CWindow* b = Child(a, "b", 0, 0, 10, 10);
    CWindow* hiddenChild = Child(a, "h", 0, 0, 10, 10);
    CWindow* below = Child(hiddenChild, "hb", 0, 0, 10, 10);
    hiddenChild->SetVisible(false);
    hiddenChild->SetDisabled(true);

    root->SetVisible(false);
    root->SetDisabled(true);
    for (CWindow* w : {a, b, hiddenChild, below})
    {
        EXPECT_FALSE(w->IsVisible());
        EXPECT_TRUE(w->IsDisabled());
    }
    root->SetVisible(true);
    root->SetDisabled(false);
    EXPECT_TRUE(a->IsVisible());
    EXPECT_TRUE(b->IsVisible());
    EXPECT_FALSE(a->IsDisabled());
    EXPECT_FALSE(hiddenChild->IsVisible());
    EXPECT_FALSE(below->IsVisible());
    EXPECT_TRUE(hiddenChild->IsDisabled());
    EXPECT_TRUE(below->IsDisabled());

    // A child added under a hidden, disabled parent takes the state on.
    CWindow* late = Child(hiddenChild, "late", 0, 0, 10, 10);
    EXPECT_FALSE(late->IsVisible());
    EXPECT_TRUE(late->IsDisabled());
    EXPECT_TRUE(late->GetVisible());
    root->Delete();
}

TEST_F(Window, SizingBounds)
{
    CWindow window;
    window.SetSize(10, 10);
    window.SetMinimumSize(CSize(50, 50));
    window.SetMaximumSize(CSize(40, -1));
    EXPECT_EQ(window.GetSize(), CSize(40, 50));

    window.SetMinimumSize(CSize(20, 20));
    EXPECT_EQ(window.GetMinimumSize(), CSize(50, 50));
    window.SetMaximumSize(CSize(100, 100));
    EXPECT_EQ(window.GetMaximumSize(), CSize(40, 100));
}

TEST_F(Window, FitToContentOnlyGrows)
{
    CWindow* parent = new CWindow;
    parent->SetSize(100, 20);
    Child(parent, "a", 10, 5, 30, 40);
    Child(parent, "b", -5, 0, 20, 10);
    parent->FitToContent(true);
    EXPECT_EQ(parent->GetSize(), CSize(100, 45));
    parent->SetSize(10, 10);
    parent->FitToContent(false);
    EXPECT_EQ(parent->GetSize(), CSize(40, 45));
    parent->SetSize(200, 200);
    parent->FitToContent(true);
    EXPECT_EQ(parent->GetSize(), CSize(200, 200));
    parent->Delete();
}

TEST_F(Window, GeometryQueries)
{
    CWindow* root = new CWindow;
    root->SetSize(100, 100);
    CWindow* a = Child(root, "a", 10, 20, 50, 50);
    CWindow* b = Child(a, "b", 30, 40, 40, 40);
    EXPECT_EQ(b->GetScreenPosition(), CPoint(40, 60));
    EXPECT_EQ(b->ScreenToClient(CPoint(41, 62)), CPoint(1, 2));
    EXPECT_EQ(b->GetVisibleScreenRect(), CRect(40, 60, 60, 70));
    EXPECT_EQ(b->GetVisibleClientRect(), CRect(0, 0, 20, 10));
    b->SetPosition(60, 0);
    EXPECT_EQ(b->GetVisibleClientRect(), CRect(0, 0, 0, 0));
    b->SetSize(15, 5);
    b->CenterInParent();
    EXPECT_EQ(b->GetPosition(), CPoint(17, 22));
    b->SetSize(53, 5);
    b->CenterInParent(); // (50 - 53) / 2 truncates toward zero
    EXPECT_EQ(b->GetPosition().x, -1);
    root->Delete();
}

TEST_F(Window, InternalChildNames)
{
    CTestWindow w;
    const std::pair<const char*, bool> cases[] = {{"", false}, {"_", false}, {"__", true}, {"__label", true},
                                                  {"_x_", false}, {"x__", false}};
    for (const auto& [name, internal] : cases)
    {
        w.SetName(name);
        EXPECT_EQ(w.IsInternalChild(), internal) << name;
    }
}

TEST_F(Window, FindChildByNameWithClassMismatch)
{
    CWindow* root = new CWindow;
    auto* first = new CTestWindow("", "CTestWindow");
    root->AddChild(first->GetHandle());
    auto* label = new CTestWindow("x", "CLabel");
    first->AddChild(label->GetHandle());
    auto* second = new CTestWindow("", "CTestWindow");
    root->AddChild(second->GetHandle());
    auto* button = new CTestWindow("x", "CButton");
    second->AddChild(button->GetHandle());

    Platform::DebugOutputCapture capture;
    EXPECT_EQ(first->FindChildByName("x", false, "CButton"), nullptr);
    EXPECT_EQ(capture.Text(),
              "Error: found window 'x', but is is of type 'CLabel' and not of expected type 'CButton'");
    EXPECT_EQ(root->FindChildByName("x", true, "CButton"), button);
    EXPECT_EQ(root->FindChildByName("x", true, nullptr), label);
    EXPECT_EQ(root->FindChildByName("y", true, nullptr), nullptr);
    root->Delete();
}

TEST_F(Window, HitTest)
{
    CWindow* root = new CWindow;
    root->SetSize(100, 100);
    CWindow* a = Child(root, "a", 10, 10, 20, 20);
    CWindow* b = Child(root, "b", 20, 20, 20, 20);
    EXPECT_EQ(root->WindowFromPoint(CPoint(29, 29), true), b);
    EXPECT_EQ(root->WindowFromPoint(CPoint(15, 15), true), a);
    EXPECT_EQ(root->WindowFromPoint(CPoint(39, 39), true), b);
    EXPECT_EQ(root->WindowFromPoint(CPoint(40, 25), true), root); // right edge just outside b
    EXPECT_EQ(b->WindowFromPoint(CPoint(25, 40), false), nullptr); // bottom edge just outside
    EXPECT_EQ(root->WindowFromPoint(CPoint(100, 5), true), nullptr);

    // A not-hitable window hides its child even where the child covers the point.
    CWindow* cover = Child(a, "cover", 0, 0, 20, 20);
    a->SetNotHitable(true);
    EXPECT_EQ(root->WindowFromPoint(CPoint(15, 15), true), root);
    a->SetNotHitable(false);
    EXPECT_EQ(root->WindowFromPoint(CPoint(15, 15), true), cover);
    a->SetVisible(false);
    EXPECT_EQ(root->WindowFromPoint(CPoint(15, 15), true), root);
    root->Delete();
}

std::vector<std::string> PropertyNames(CWindow& window)
{
    UILib::CPropertyList list;
    window.GetProperties(list);
    std::vector<std::string> names;
    for (const auto& property : list)
    {
        names.push_back(property.GetDescription()->GetName());
    }
    return names;
}

std::string PropertyText(CWindow& window, const std::string& name)
{
    UILib::CPropertyList list;
    window.GetProperties(list);
    for (const auto& property : list)
    {
        if (property.GetDescription()->GetName() == name)
        {
            std::string text;
            property.GetAsString(text);
            return text;
        }
    }
    return "<none>";
}

TEST_F(Window, PropertiesByName)
{
    CWindow window;
    EXPECT_EQ(PropertyNames(window),
              (std::vector<std::string>{"Name", "Tooltip Text", "Size", "Position", "Disabled", "Visible",
                                        "Transparent", "Always On Top", "Write Alpha", "Not Hitable",
                                        "Own Canvas"}));
    UILib::CPropertyList list;
    window.GetProperties(list);
    list[2].SetFromString("(30, 40)");
    EXPECT_EQ(window.GetSize(), CSize(30, 40));
    list[2].SetFromString("(0, 20000)"); // the description's bounds
    EXPECT_EQ(window.GetSize(), CSize(1, 10000));
    EXPECT_EQ(list[1].GetDescription()->GetDescription(),
              "Text that appears as a tooltip;\nleave empty to disable tooltips for this window");
}

TEST_F(Window, LoadXmlAppliesKnownPropertiesAndStopsAtAnIncompleteOne)
{
    TiXmlDocument document;
    document.Parse("<window type=\"CWindow\">"
                   "<property name=\"Colour\" value=\"(1, 2, 3, 4)\"/>"
                   "<property name=\"Position\" value=\"(7, 8)\"/>"
                   "<window type=\"CWindow\"><property name=\"Position\" value=\"(99, 99)\"/></window>"
                   "<property name=\"Size\"/>"
                   "<property name=\"Name\" value=\"late\"/>"
                   "</window>");
    CWindow window;
    EXPECT_FALSE(window.LoadXml(document.RootElement()));
    EXPECT_EQ(window.GetPosition(), CPoint(7, 8));
    EXPECT_EQ(window.GetName(), "");
}

TEST_F(Window, SaveXmlThenLoadXmlReproducesEveryValue)
{
    CWindow original;
    original.SetName("panel");
    original.SetTooltipText("Tip\nline two");
    original.SetSize(123, 45);
    original.SetPosition(-6, 7);
    original.SetDisabled(true);
    original.SetVisible(false);
    original.SetTransparent(true);
    original.SetAlwaysOnTop(true);
    original.SetWriteAlpha(true);
    original.SetNotHitable(true);

    TiXmlDocument document;
    original.SaveXml(&document, false);
    const TiXmlElement* element = document.RootElement();
    ASSERT_NE(element, nullptr);
    EXPECT_STREQ(element->Attribute("type"), "CWindow");

    CWindow copy;
    EXPECT_TRUE(copy.LoadXml(element));
    for (const std::string& name : PropertyNames(original))
    {
        EXPECT_EQ(PropertyText(copy, name), PropertyText(original, name)) << name;
    }
}

TEST_F(Window, InternalChildIsSavedOnlyAroundAUserWindow)
{
    CWindow* widget = new CWindow;
    auto* internal = new CTestWindow("__clientarea", "CWindow");
    widget->AddChild(internal->GetHandle());

    auto countWindows = [](const TiXmlNode* node) {
        int count = 0;
        for (const TiXmlElement* e = node->FirstChildElement("window"); e != nullptr;
             e = e->NextSiblingElement("window"))
        {
            ++count;
        }
        return count;
    };
    {
        TiXmlDocument document;
        widget->SaveXml(&document, true);
        EXPECT_EQ(countWindows(document.RootElement()), 0);
    }
    auto* user = new CTestWindow("user", "CWindow");
    internal->AddChild(user->GetHandle());
    {
        TiXmlDocument document;
        widget->SaveXml(&document, false);
        EXPECT_EQ(countWindows(document.RootElement()), 0);
    }
    TiXmlDocument document;
    widget->SaveXml(&document, true);
    const TiXmlElement* saved = document.RootElement()->FirstChildElement("window");
    ASSERT_NE(saved, nullptr);
    EXPECT_STREQ(saved->Attribute("name"), "__clientarea");
    EXPECT_EQ(saved->FirstChildElement("property"), nullptr);
    ASSERT_NE(saved->FirstChildElement("window"), nullptr);
    EXPECT_NE(saved->FirstChildElement("window")->FirstChildElement("property"), nullptr);
    widget->Delete();
}

// Queues itself and a second window for deletion from its destructor.
class CQueueingWindow : public CWindow
{
public:
    explicit CQueueingWindow(CWindow* other) : m_other(other) {}
    ~CQueueingWindow() override { m_other->Destroy(); }

private:
    CWindow* m_other;
};

TEST_F(Window, ManagerDeletionQueue)
{
    CWindow* once = new CWindow;
    const UILib::Handle onceHandle = once->GetHandle();
    EXPECT_EQ(manager->QueueForDeletion(once), manager->QueueForDeletion(once));
    once->Destroy();
    EXPECT_FALSE(once->IsVisible());

    CWindow* late = new CWindow;
    const UILib::Handle lateHandle = late->GetHandle();
    (new CQueueingWindow(late))->Destroy();

    manager->DeleteReleasedWindows();
    EXPECT_EQ(manager->Resolve(onceHandle), nullptr);
    EXPECT_EQ(manager->Resolve(lateHandle), nullptr);
    EXPECT_EQ(manager->GetWindowTable().GetFreeCount(), manager->GetWindowTable().GetEntryCount());
}

TEST_F(Window, ManagerLayers)
{
    CWindow* first = new CWindow;
    CWindow* second = new CWindow;
    first->SetSize(50, 50);
    second->SetSize(100, 100);
    EXPECT_EQ(manager->AddLayer(first), 0);
    EXPECT_EQ(manager->AddLayer(second), 1);
    EXPECT_NE(first->GetFlags() & CWindow::FlagLayerRoot, 0);
    EXPECT_EQ(manager->GetLayerRoot(5), nullptr);
    EXPECT_EQ(manager->GetLayerRoot(-1), nullptr);

    // Layer 0 answers first.
    EXPECT_EQ(manager->WindowFromPoint(CPoint(10, 10)), first);
    EXPECT_EQ(manager->WindowFromPoint(CPoint(70, 70)), second);

    CWindow* child = new CWindow;
    EXPECT_TRUE(manager->AddToLayer(child, 1));
    EXPECT_EQ(child->GetLayerIndex(), 1);
    EXPECT_EQ(child->GetParent(), second);

    // Deleting the first root empties its slot; the next layer fills it again.
    first->Delete();
    EXPECT_EQ(manager->GetLayerCount(), 2);
    CWindow* orphan = new CWindow;
    EXPECT_FALSE(manager->AddToLayer(orphan, 0));
    CWindow* third = new CWindow;
    EXPECT_EQ(manager->AddLayer(third), 0);
    // Deleting the last root drops the trailing empty slot.
    second->Delete();
    EXPECT_EQ(manager->GetLayerCount(), 1);
    EXPECT_EQ(manager->CreateCanvas(10, 10), nullptr);
    manager->Shutdown();
    delete orphan;
}

TEST_F(Window, ShutdownDeletesLayersAndTracesLeaks)
{
    CWindow* root = new CWindow;
    manager->AddLayer(root);
    Child(root, "kept", 0, 0, 5, 5);
    auto* stray = new CWindow;
    Platform::DebugOutputCapture capture;
    manager->Shutdown();
    EXPECT_EQ(capture.Text(), "WindowMgr: Error: 1 windows still present at shutdown");
    delete stray; // outlives its table: its destructor finds its handle stale and frees nothing twice
}

} // namespace
