#include "tools/DevMenuScreen.h"

#include "foundation/Color.h"
#include "foundation/ConfigFile.h"
#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/String.h"
#include "framework/CommandQueue.h"
#include "framework/GameLibApplication.h"
#include "framework/ScreenWindows.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/WorkerThread.h"
#include "game/menus/LayoutWindows.h"
#include "platform/os/Handle.h"
#include "platform/os/Thread.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/FileBrowserList.h"
#include "ui/controls/FileEditCombo.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/SpinControlNumber.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <utility>

namespace
{

constexpr const char* kLayoutFile = "interface>devmenuscreen.xml";
constexpr const char* kGeneratorLayoutFile = "interface>puzzlegenerator.xml";
constexpr float kFadeSeconds = 0.5f;
// The world reads the batch argument from a text the size of the original buffer, less its terminator.
constexpr int kMaxBatchArgumentLength = 1023;
// The batch processor's own solver time-out, sent when the layout has no control for it.
constexpr double kDefaultSolverTimeout = 120.0;

// The shapes the generator draws from, with their starting weights.
const GeneratorEntry kDefaultShapes[] = {{"###", 10}, {"##", 10}, {"#B#", 0}, {"O", 0},  {"LL", 0},
                                         {"LLL", 0},  {"NN", 0},  {"N#N", 0}, {"SS", 0}, {"S#S", 0}};

template <class Control> Control* FindControl(UILib::CWindow* parent, const char* name, const char* className)
{
    return parent != nullptr ? dynamic_cast<Control*>(parent->FindChildByName(name, true, className))
                             : nullptr;
}

bool IsChecked(const UILib::CCheckBox* box)
{
    // A tri-state box in its third state counts as unchecked.
    return box != nullptr && box->GetState() == UILib::CCheckBox::Checked;
}

// The spin control's value truncated toward zero; the default when the control is missing.
std::int32_t ReadWholeNumber(UILib::CWindow* parent, const char* name, std::int32_t fallback)
{
    const auto* spin = FindControl<UILib::CSpinControlNumber>(parent, name, "CSpinControlNumber");
    return spin != nullptr ? static_cast<std::int32_t>(std::trunc(spin->GetValue())) : fallback;
}

bool HoldsBlank(const std::string& text)
{
    for (const char c : text)
    {
        if (std::isspace(static_cast<unsigned char>(c)))
        {
            return true;
        }
    }
    return false;
}

} // namespace

CDevMenuScreen::CDevMenuScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : m_userInterface(userInterface), m_world(world),
      m_shapeEntries(std::begin(kDefaultShapes), std::end(kDefaultShapes))
{
    CreateWindows();
    if (m_panel != nullptr)
    {
        m_panel->SetVisible(false);
    }
    m_phase = PhaseEntering;
}

CDevMenuScreen::~CDevMenuScreen()
{
    EndGenerator();
}

GameLib::CUIScreen* CDevMenuScreen::Create(CQuarrowUI* userInterface, CQuarrowWorld* world)
{
    return new CDevMenuScreen(userInterface, world);
}

void CDevMenuScreen::Release()
{
    delete this;
}

void CDevMenuScreen::CreateWindows()
{
    m_panel = GameLib::CreateScreenPanel(BaseLib::CColor(48, 112, 144, 255));
    if (m_panel == nullptr)
    {
        return;
    }
    GameLib::AddToFirstLayer(m_panel);
    if (!GameLib::LoadLayoutInto(kLayoutFile, m_panel))
    {
        BaseLib::DebugOutput("Developer menu: \"%s\" did not load; only Return and Escape work\n",
                             kLayoutFile);
        return;
    }

    m_levelBox = FindControl<UILib::CFileBrowserList>(m_panel, "levelbox", "CFileBrowserList");
    m_startGameButton = FindControl<UILib::CButton>(m_panel, "startgamebutton", "CButton");
    m_startLevelButton = FindControl<UILib::CButton>(m_panel, "startlevelbutton", "CButton");
    m_startGeneratorButton = FindControl<UILib::CButton>(m_panel, "startgeneratorbutton", "CButton");
    m_batchButton = FindControl<UILib::CButton>(m_panel, "batchbutton", "CButton");
    m_stressTestBox = FindControl<UILib::CCheckBox>(m_panel, "stresstest", "CCheckBox");
    m_useRefinerBox = FindControl<UILib::CCheckBox>(m_panel, "userefinercheckbox", "CCheckBox");
    m_shapeList = FindControl<UILib::CListBox>(m_panel, "blockslist", "CListBox");
    m_weightControl = FindControl<UILib::CSpinControlNumber>(m_panel, "weight", "CSpinControlNumber");
    m_calcSolveMovesBox = FindControl<UILib::CCheckBox>(m_panel, "calcsolvemoves", "CCheckBox");
    m_batchRefineBox = FindControl<UILib::CCheckBox>(m_panel, "batchrefinecheckbox", "CCheckBox");
    m_deleteOriginalsBox =
        FindControl<UILib::CCheckBox>(m_panel, "batchdeleteoriginalscheckbox", "CCheckBox");
    m_forceRecalculationBox = FindControl<UILib::CCheckBox>(m_panel, "forcerecalculation", "CCheckBox");
    m_convertToBinaryBox = FindControl<UILib::CCheckBox>(m_panel, "convert2binary", "CCheckBox");
    m_batchFolder = FindControl<UILib::CFileEditCombo>(m_panel, "batchfolder", "CFileEditCombo");
    m_screenshotsBox = FindControl<UILib::CCheckBox>(m_panel, "screenshots", "CCheckBox");
    m_assignModelsBox = FindControl<UILib::CCheckBox>(m_panel, "assignmodels", "CCheckBox");

    const std::string levelFolder = m_userInterface->GetApplication()->GetPathAliases().ResolvePath("level>");
    if (m_levelBox != nullptr)
    {
        m_levelBox->SetDirectory(BaseLib::CString(levelFolder.c_str()));
        // Files only: a folder entry opens the folder, as in any file browser.
        m_levelBox->SetOnFileChosen(
            UILib::CFileBrowserCallback::Bind(this, &CDevMenuScreen::OnLevelFileChosen));
    }
    if (m_startGameButton != nullptr)
    {
        m_startGameButton->SetOnClick(UILib::CButtonCallback::Bind(this, &CDevMenuScreen::RequestStartGame));
    }
    if (m_startLevelButton != nullptr)
    {
        m_startLevelButton->SetOnClick(
            UILib::CButtonCallback::Bind(this, &CDevMenuScreen::RequestStartLevel));
    }
    if (m_startGeneratorButton != nullptr)
    {
        m_startGeneratorHandle = m_startGeneratorButton->GetHandle();
        m_startGeneratorButton->SetOnClick(
            UILib::CButtonCallback::Bind(this, &CDevMenuScreen::OpenGeneratorDialog));
    }
    if (m_batchButton != nullptr)
    {
        m_batchButton->SetOnClick(UILib::CButtonCallback::Bind(this, &CDevMenuScreen::RequestBatch));
    }
    if (m_shapeList != nullptr)
    {
        m_shapeList->SetOnChange(UILib::CListBoxCallback::Bind(this, &CDevMenuScreen::OnShapeSelected));
        RefreshShapeList();
    }
    if (m_weightControl != nullptr)
    {
        m_weightControl->SetOnChange(UILib::CSpinCallback::Bind(this, &CDevMenuScreen::OnWeightChanged));
    }
    if (m_batchFolder != nullptr)
    {
        m_batchFolder->SetSelectableEntries(UILib::CFilePicker::PickFolders);
        m_batchFolder->SetFileName(BaseLib::CString(levelFolder.c_str()));
    }
}

void CDevMenuScreen::OnActivate()
{
    m_phase = PhaseEntering;
    if (m_panel != nullptr)
    {
        m_panel->SetVisible(true);
    }
    m_request = NoRequest;
    m_folderPickerWasOpen = false;
    // A generator left running when the menu was left shows its dialog again.
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    if (UILib::CWindow* dialog = GetGeneratorDialog(); dialog != nullptr && windows != nullptr)
    {
        windows->PushModalWindow(dialog);
    }
    OnActivated();
}

void CDevMenuScreen::OnDeactivate()
{
    StoreRendererChoice();
    if (m_panel != nullptr)
    {
        m_panel->SetVisible(false);
    }
    // The generator's dialog hides with the panel; held modal, it would keep the mouse from every other
    // screen.
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    if (UILib::CWindow* dialog = GetGeneratorDialog(); dialog != nullptr && windows != nullptr)
    {
        windows->RemoveModalWindow(dialog);
    }
    m_userInterface->SetCursorVisible(false);
}

ScreenFader* CDevMenuScreen::GetFader() const
{
    return m_userInterface != nullptr ? m_userInterface->GetFader() : nullptr;
}

void CDevMenuScreen::Update()
{
    ScreenFader* fader = GetFader();
    switch (m_phase)
    {
    case PhaseEntering:
        if (fader != nullptr)
        {
            fader->SetTarget(0.0f, 0.0f);
            fader->SetTarget(1.0f, kFadeSeconds);
        }
        m_phase = PhaseRunning;
        break;
    case PhaseRunning:
        OnButton();
        break;
    case PhaseLeaving:
        if (fader == nullptr || !fader->IsFading())
        {
            m_phase = PhaseEntering;
            if (GetOwner() == nullptr || !GetOwner()->SwitchTo(m_nextScreen))
            {
                // No such screen in this run: the menu fades in again and waits for a new request
                // instead of repeating this one.
                BaseLib::DebugOutput("Developer menu: there is no screen \"%s\"; the menu stays\n",
                                     m_nextScreen.c_str());
                m_request = NoRequest;
            }
        }
        break;
    default:
        break;
    }
}

void CDevMenuScreen::OnButton()
{
    const ScreenFader* fader = GetFader();
    m_userInterface->SetCursorVisible(fader == nullptr || fader->GetValue() == 1.0f);

    // Escape cancels the folder picker and Return confirms it; the menu must not also quit or start the
    // game on the same key, neither while the picker shows nor in the frame in which it closed.
    const bool pickerOpen = IsFolderPickerOpen();
    const bool keysForPicker = pickerOpen || m_folderPickerWasOpen;
    m_folderPickerWasOpen = pickerOpen;

    // Return on a file of the level box both chooses the file and is "enter": the level goes first. Return
    // and Space typed into a field of the menu (a number, the batch folder) are the field's.
    if (GameLib::ConsumeGuiAction(m_userInterface, "enter") && !keysForPicker && m_request == NoRequest &&
        !IsTypingInField())
    {
        m_request = GameRequested;
    }
    if (m_request == GameRequested)
    {
        FadeOutTo("languageselection");
        return;
    }
    if (m_request == LevelRequested)
    {
        StartLevel();
    }
    else if (m_request == BatchRequested && !StartBatch())
    {
        m_request = NoRequest;
    }
    if (GameLib::ConsumeGuiAction(m_userInterface, "quit") && !keysForPicker)
    {
        FadeOutTo("shutdown");
    }
}

void CDevMenuScreen::StartLevel()
{
    const std::string path =
        m_levelBox != nullptr ? std::string(m_levelBox->GetSelectedPath()) : std::string();
    PostWorldCommand("StartGame", "");
    PostWorldCommand("StartLevel", path);
    if (IsChecked(m_stressTestBox))
    {
        PostWorldCommand("SetStressTestMode", "true");
    }
    StoreRendererChoice();
    const BaseLib::CConfigFile* config = m_userInterface->GetApplication()->GetConfiguration();
    FadeOutTo(config != nullptr && config->GetString("startup/renderer") == "3d" ? "ingame3d" : "ingame2d");
}

bool CDevMenuScreen::StartBatch()
{
    const std::string folder =
        m_batchFolder != nullptr ? std::string(m_batchFolder->GetFullPath()) : std::string();
    // The world reads the folder as one word: a blank would cut it and name another folder, whose puzzle
    // files the batch would rewrite.
    if (HoldsBlank(folder))
    {
        BaseLib::DebugOutput("Developer menu: the batch folder \"%s\" holds a blank; no batch started\n",
                             folder.c_str());
        return false;
    }
    const auto* timeout =
        FindControl<UILib::CSpinControlNumber>(m_panel, "solvertimeout", "CSpinControlNumber");
    const double seconds = timeout != nullptr ? timeout->GetValue() : kDefaultSolverTimeout;
    const char* format = "%d %d %d %d %d %d %d %f %s";
    const int length = std::snprintf(
        nullptr, 0, format, IsChecked(m_calcSolveMovesBox), IsChecked(m_batchRefineBox),
        IsChecked(m_deleteOriginalsBox), IsChecked(m_forceRecalculationBox), IsChecked(m_convertToBinaryBox),
        IsChecked(m_screenshotsBox), IsChecked(m_assignModelsBox), seconds, folder.c_str());
    if (length < 0 || length > kMaxBatchArgumentLength)
    {
        BaseLib::DebugOutput(
            "Developer menu: the batch argument would be %d characters, over %d; no batch started\n", length,
            kMaxBatchArgumentLength);
        return false;
    }
    std::string argument(static_cast<std::size_t>(length), '\0');
    std::snprintf(argument.data(), argument.size() + 1, format, IsChecked(m_calcSolveMovesBox),
                  IsChecked(m_batchRefineBox), IsChecked(m_deleteOriginalsBox),
                  IsChecked(m_forceRecalculationBox), IsChecked(m_convertToBinaryBox),
                  IsChecked(m_screenshotsBox), IsChecked(m_assignModelsBox), seconds, folder.c_str());
    FadeOutTo("editor2d");
    PostWorldCommand("StartBatchProcessing", argument);
    return true;
}

void CDevMenuScreen::FadeOutTo(const char* nextScreen)
{
    m_phase = PhaseLeaving;
    if (ScreenFader* fader = GetFader())
    {
        fader->SetTarget(0.0f, kFadeSeconds);
    }
    m_nextScreen = nextScreen;
}

void CDevMenuScreen::PostWorldCommand(const char* name, const std::string& argument)
{
    if (m_world != nullptr && m_world->GetCommandQueue() != nullptr)
    {
        m_world->GetCommandQueue()->PostCommand(name, argument);
    }
}

bool CDevMenuScreen::IsFolderPickerOpen() const
{
    const UILib::CFilePicker* picker = m_batchFolder != nullptr ? m_batchFolder->GetPicker() : nullptr;
    return picker != nullptr && picker->GetParentHandle() != 0 && picker->IsVisible();
}

bool CDevMenuScreen::IsTypingInField() const
{
    const UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    const UILib::CWindow* focus = windows != nullptr ? windows->Resolve(windows->GetFocus()) : nullptr;
    return m_panel != nullptr && dynamic_cast<const UILib::CEditControl*>(focus) != nullptr &&
           focus->IsDescendantOf(m_panel->GetHandle());
}

void CDevMenuScreen::StoreRendererChoice()
{
    const auto* radio = FindControl<UILib::CRadioButton>(m_panel, "3dradio", "CRadioButton");
    if (BaseLib::CConfigFile* config = m_userInterface->GetApplication()->GetConfiguration())
    {
        config->SetString("startup/renderer", radio != nullptr && radio->GetSelected() ? "3d" : "2d");
    }
}

void CDevMenuScreen::RequestStartGame(UILib::CBasicButton*)
{
    m_request = GameRequested;
}

void CDevMenuScreen::RequestStartLevel(UILib::CBasicButton*)
{
    m_request = LevelRequested;
}

void CDevMenuScreen::RequestBatch(UILib::CBasicButton*)
{
    m_request = BatchRequested;
}

void CDevMenuScreen::OnLevelFileChosen(UILib::CFileBrowserList*)
{
    RequestStartLevel(nullptr);
}

void CDevMenuScreen::OpenGeneratorDialog(UILib::CBasicButton* button)
{
    if (m_generator != nullptr)
    {
        return;
    }
    if (button != nullptr)
    {
        button->SetDisabled(true);
    }
    const auto* useRefiner = FindControl<UILib::CCheckBox>(m_panel, "userefinercheckbox", "CCheckBox");
    const std::int32_t width = ReadWholeNumber(m_panel, "width", 6);
    const std::int32_t height = ReadWholeNumber(m_panel, "height", 6);
    const std::int32_t minMoves = ReadWholeNumber(m_panel, "minmoves", 7);
    const std::int32_t maxBlocks = ReadWholeNumber(m_panel, "maxblocks", 30);
    const std::int32_t minPlayers = ReadWholeNumber(m_panel, "minplayerblocks", 1);
    const std::int32_t maxPlayers = ReadWholeNumber(m_panel, "maxplayerblocks", 1);
    m_generator = new PuzzleGenerator(width, height, maxBlocks, minMoves, minPlayers, maxPlayers,
                                      useRefiner == nullptr || IsChecked(useRefiner));
    m_generator->UpdateTotalWeight(m_shapeEntries);
    // The screens go before the engine controller, so its table outlives the run.
    m_generator->SetPathAliases(&m_userInterface->GetApplication()->GetPathAliases());
    m_generatorThread = CreateWorkerThread(this, &CDevMenuScreen::GeneratorThreadMain, 0, false);
    if (m_generatorThread.GetHandle() == nullptr)
    {
        BaseLib::DebugOutput("Developer menu: the generator's thread did not start\n");
        delete std::exchange(m_generator, nullptr);
        if (button != nullptr)
        {
            button->SetDisabled(false);
        }
        return;
    }

    const UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    UILib::CWindowFactory* factory = system != nullptr ? system->GetWindowFactory() : nullptr;
    UILib::CWindow* dialog = factory != nullptr && m_panel != nullptr
                                 ? factory->LoadLayout(kGeneratorLayoutFile, m_panel)
                                 : nullptr;
    if (dialog != nullptr && dialog->GetParent() != m_panel)
    {
        // Built only in part: the factory left it to its caller.
        UILib::CWindow::Delete(dialog);
        dialog = nullptr;
    }
    if (dialog == nullptr)
    {
        BaseLib::DebugOutput("Developer menu: \"%s\" did not load; the generator runs until the menu goes\n",
                             kGeneratorLayoutFile);
        return;
    }
    m_generatorDialog = dialog->GetHandle();
    if (auto* stop = FindControl<UILib::CButton>(dialog, "stopbutton", "CButton"))
    {
        stop->SetOnClick(UILib::CButtonCallback::Bind(this, &CDevMenuScreen::StopGenerator));
    }
    dialog->CenterInParent();
    if (UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance())
    {
        windows->PushModalWindow(dialog);
    }
}

std::uint32_t CDevMenuScreen::GeneratorThreadMain()
{
    m_generator->Run();
    return 0;
}

void CDevMenuScreen::StopGenerator(UILib::CBasicButton*)
{
    EndGenerator();
}

void CDevMenuScreen::EndGenerator()
{
    if (m_generator == nullptr)
    {
        return;
    }
    m_generator->Stop();
    if (m_generatorThread.GetHandle() != nullptr)
    {
        Platform::WaitFor(m_generatorThread.GetHandle(), Platform::WaitForever);
    }
    m_generatorThread.Close();
    delete std::exchange(m_generator, nullptr);

    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    if (windows == nullptr)
    {
        m_generatorDialog = 0;
        return;
    }
    if (UILib::CWindow* button = ResolveLayoutWindow(m_startGeneratorHandle))
    {
        button->SetDisabled(false);
    }
    if (UILib::CWindow* dialog = ResolveLayoutWindow(std::exchange(m_generatorDialog, 0u)))
    {
        windows->RemoveModalWindow(dialog);
        dialog->Destroy();
    }
}

UILib::CWindow* CDevMenuScreen::GetGeneratorDialog() const
{
    return ResolveLayoutWindow(m_generatorDialog);
}

bool CDevMenuScreen::IsGeneratorThreadRunning() const
{
    std::uint32_t code = 0;
    return m_generatorThread.GetHandle() != nullptr &&
           Platform::GetThreadExitCode(m_generatorThread.GetHandle(), code) &&
           code == Platform::ThreadStillActive;
}

void CDevMenuScreen::RefreshShapeList()
{
    if (m_shapeList == nullptr)
    {
        return;
    }
    const std::int32_t selected = m_shapeList->GetSelectedIndex();
    m_shapeList->SuppressEvents();
    m_shapeList->RemoveAllItems();
    std::int32_t total = 0;
    for (const GeneratorEntry& entry : m_shapeEntries)
    {
        total += entry.weight;
    }
    for (const GeneratorEntry& entry : m_shapeEntries)
    {
        // With no weight at all no shape is drawn: every share is 0.
        const double share = total != 0 ? entry.weight * 100.0 / total : 0.0;
        char line[256];
        std::snprintf(line, sizeof(line), "%s - %d (%.2f%%)", entry.pattern.c_str(), entry.weight, share);
        m_shapeList->AddItem(BaseLib::CString(line));
    }
    m_shapeList->Select(selected);
    m_shapeList->ResumeEvents();
}

void CDevMenuScreen::OnShapeSelected(UILib::CListBox*)
{
    const std::int32_t index = m_shapeList != nullptr ? m_shapeList->GetSelectedIndex() : -1;
    if (m_weightControl != nullptr && index >= 0 && index < static_cast<std::int32_t>(m_shapeEntries.size()))
    {
        m_weightControl->SetValue(m_shapeEntries[static_cast<std::size_t>(index)].weight);
    }
}

void CDevMenuScreen::OnWeightChanged(UILib::CBasicSpinControl*)
{
    if (m_shapeList == nullptr || m_weightControl == nullptr)
    {
        return;
    }
    const std::int32_t index = m_shapeList->GetSelectedIndex();
    if (index >= 0 && index < static_cast<std::int32_t>(m_shapeEntries.size()))
    {
        m_shapeEntries[static_cast<std::size_t>(index)].weight =
            static_cast<std::int32_t>(std::trunc(m_weightControl->GetValue()));
    }
    RefreshShapeList();
}
