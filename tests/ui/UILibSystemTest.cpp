#include "foundation/PathAliases.h"
#include "foundation/ResourceRegistry.h"
#include "foundation/TypeTag.h"
#include "platform/os/DebugOutput.h"
#include "tests/ui/support/MemoryCanvas.h"
#include "ui/Bitmap.h"
#include "ui/BitmapFactory.h"
#include "ui/FontFactory.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/Visualization.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using UILib::CUILibSystem;

std::vector<std::string> g_deletions;

// Records, when it is deleted, which services still exist.
class CWitness : public UILib::CPanel
{
public:
    ~CWitness() override
    {
        const CUILibSystem* system = CUILibSystem::GetInstance();
        std::string state = "deleted:";
        state += system != nullptr && system->GetFontFactory() != nullptr ? " fonts" : "";
        state += UILib::CBitmapFactory::GetCurrent() != nullptr ? " bitmaps" : "";
        state += UILib::CVisualizationRegistry::GetInstance() != nullptr ? " themes" : "";
        state += system != nullptr && system->GetStreamingThread() != nullptr ? " streaming" : "";
        g_deletions.push_back(state);
    }
};

void RegisterTestClasses(UILib::CWindowFactory& factory)
{
    factory.RegisterClass("CWitness", [] { return new CWitness(); });
}

class UILibSystemTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_deletions.clear();
        UILib::CWindowFactory::SetRegistrationHook(&RegisterTestClasses);
    }
    void TearDown() override
    {
        CUILibSystem::DestroyInstance();
        UILib::CWindowFactory::SetRegistrationHook(nullptr);
    }
};

TEST_F(UILibSystemTest, OneSystemWithEveryServiceAndTheClassesOfTheWindowSystemAndTheHook)
{
    EXPECT_EQ(CUILibSystem::GetInstance(), nullptr);
    CUILibSystem::CreateInstance();
    CUILibSystem* system = CUILibSystem::GetInstance();
    ASSERT_NE(system, nullptr);
    CUILibSystem::CreateInstance();
    EXPECT_EQ(CUILibSystem::GetInstance(), system);

    EXPECT_EQ(system->GetPathAliases(), nullptr);
    ASSERT_NE(system->GetStreamingThread(), nullptr);
    ASSERT_NE(system->GetBitmapCache(), nullptr);
    ASSERT_NE(system->GetFontCache(), nullptr);
    EXPECT_EQ(system->GetBitmapCache()->GetMemoryLimit(), 33554432u);
    EXPECT_EQ(system->GetFontCache()->GetMemoryLimit(), 3145728u);
    ASSERT_NE(system->GetBitmapFactory(), nullptr);
    EXPECT_EQ(system->GetBitmapFactory()->GetRegistry(), system->GetBitmapCache());
    EXPECT_EQ(UILib::CBitmapFactory::GetCurrent(), system->GetBitmapFactory());
    ASSERT_NE(system->GetFontFactory(), nullptr);
    EXPECT_EQ(system->GetFontFactory()->GetRegistry(), system->GetFontCache());
    EXPECT_EQ(system->GetVisualizationRegistry(), UILib::CVisualizationRegistry::GetInstance());
    EXPECT_EQ(system->GetWindowManager(), UILib::CWindowManager::GetInstance());
    ASSERT_NE(system->GetWindowFactory(), nullptr);
    EXPECT_EQ(system->GetWindowFactory()->GetClassNames(),
              (std::vector<std::string>{"CPanel", "CTransparentWindow", "CWindow", "CWitness"}));

    BaseLib::CPathAliases aliases;
    system->SetPathAliases(&aliases);
    EXPECT_EQ(system->GetPathAliases(), &aliases);
    CUILibSystem::DestroyInstance(); // the aliases stay the framework's
    EXPECT_EQ(CUILibSystem::GetInstance(), nullptr);
    EXPECT_EQ(UILib::CWindowManager::GetInstance(), nullptr);
    EXPECT_EQ(UILib::CVisualizationRegistry::GetInstance(), nullptr);
    EXPECT_EQ(UILib::CBitmapFactory::GetCurrent(), nullptr);
    CUILibSystem::DestroyInstance(); // nothing
}

TEST_F(UILibSystemTest, ShutDownDeletesWindowsWhileFontsBitmapsAndThemesExistAndLeavesNoResource)
{
    for (int run = 0; run < 2; ++run)
    {
        g_deletions.clear();
        CUILibSystem::CreateInstance();
        CUILibSystem* system = CUILibSystem::GetInstance();
        ASSERT_NE(system, nullptr);
        UILib::CWindowManager* manager = system->GetWindowManager();
        manager->SetCanvasFactory(&UiTestSupport::CMemoryTextureCanvas::Make);

        UILib::CWindow* root = system->GetWindowFactory()->CreateWindowOfType("CWitness");
        manager->AddLayer(root);
        root->SetOwnCanvas(true);
        UILib::CWindow* child = system->GetWindowFactory()->CreateWindowOfType("CWitness");
        root->AddChild(child->GetHandle());
        UILib::CWindow* stray = UILib::CWindow::Create(); // in no layer

        // A font and a bitmap made and let go: they wait in the caches.
        {
            BaseLib::CResourcePtr<UILib::CFont> font =
                UILib::CreateAlphaBitmapFont(system->GetFontFactory(), 14, "", 0, 0, 5, 0);
            ASSERT_TRUE(font);
            UILib::CBitmap bitmap("no_such_picture.png");
            EXPECT_GT(bitmap.GetWidth(), 0);
        }
        // The standard theme, when it is registered, holds fonts and images until its registry goes.
        system->GetVisualizationRegistry()->GetVisualization(BaseLib::MakeTypeTag("STND"));
        const int canvasesBefore = UiTestSupport::CMemoryTextureCanvas::destroyed;

        Platform::DebugOutputCapture capture;
        CUILibSystem::DestroyInstance();
        const std::string trace = capture.Text();
        EXPECT_EQ(CUILibSystem::GetInstance(), nullptr);
        EXPECT_NE(trace.find("WindowMgr: Error: 1 windows still present at shutdown"), std::string::npos) << trace;
        EXPECT_EQ(trace.find("CResourceRegistry"), std::string::npos) << trace;
        EXPECT_EQ(g_deletions, (std::vector<std::string>{"deleted: fonts bitmaps themes", "deleted: fonts bitmaps themes"}));
        EXPECT_EQ(UiTestSupport::CMemoryTextureCanvas::destroyed, canvasesBefore + 1);
        delete stray; // the manager is gone: the window only frees itself
    }
}

} // namespace
