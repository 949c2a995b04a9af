#include "game/sequences/QuarrowSequencePlayer.h"

#include "foundation/Color.h"
#include "foundation/PathAliases.h"
#include "framework/GameLibApplication.h"
#include "framework/UserInterface.h"
#include "game/FileTranslator.h"
#include "game/QuarrowInputChannel.h"
#include "game/map/AtmoPlayer.h"
#include "game/sequences/DialogBox.h"
#include "game/sequences/SequenceDialog.h"
#include "puzzle/Puzzle.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"
#include "ui/WindowManager.h"

namespace
{

// The line feeds a page may hold: a page is at most three lines.
constexpr int LinesPerPage = 3;

} // namespace

CQuarrowSequencePlayer::~CQuarrowSequencePlayer()
{
    DeleteDialogBox();
}

void CQuarrowSequencePlayer::SetSequenceDialog(CSequenceDialog* dialog)
{
    m_sequenceDialog = dialog;
    if (m_sequenceDialog != nullptr)
    {
        m_sequenceDialog->ShowContinue(false);
    }
}

void CQuarrowSequencePlayer::SetCallbacks(void* object, ShowSequenceFunction showSequence,
                                          SequenceShownFunction sequenceShown)
{
    m_callbackObject = object;
    m_showSequence = showSequence;
    m_sequenceShown = sequenceShown;
}

void CQuarrowSequencePlayer::RegisterCommands()
{
    CBasicSequencePlayer::RegisterCommands();
    using Self = CQuarrowSequencePlayer;
    RegisterAction("dialogtextsequence", ActionDelegate(this, &Self::DialogTextSequence));
    RegisterAction("cleardialogbox", ActionDelegate(this, &Self::ClearDialogBox));
    RegisterAction("blockmarker", ActionDelegate(this, &Self::BlockMarker));
    RegisterCondition("blockat", ConditionDelegate(this, &Self::BlockAt));
    RegisterCondition("noblockat", ConditionDelegate(this, &Self::NoBlockAt));
    RegisterCondition("puzzlesolved", ConditionDelegate(this, &Self::PuzzleSolved));
    RegisterAction("mapcellmarker", ActionDelegate(this, &Self::MapCellMarker));
    RegisterAction("hidesequence", ActionDelegate(this, &Self::HideSequence));
    RegisterAction("showsequence", ActionDelegate(this, &Self::ShowSequence));
    RegisterAction("enablegamecontrols", ActionDelegate(this, &Self::EnableGameControls));
    RegisterAction("disablegamecontrols", ActionDelegate(this, &Self::DisableGameControls));
    RegisterAction("rumbleeffect", ActionDelegate(this, &Self::RumbleEffect));
}

bool CQuarrowSequencePlayer::Load(const std::string& name)
{
    std::string path = name;
    GameLib::CUserInterface* userInterface = GetUserInterface();
    if (userInterface != nullptr && userInterface->GetApplication() != nullptr)
    {
        path = userInterface->GetApplication()->GetPathAliases().ResolvePath(path);
    }
    if (const CFileTranslator* translator = CFileTranslator::GetInstance())
    {
        path = translator->Translate(path);
    }
    return CBasicSequencePlayer::Load(path);
}

void CQuarrowSequencePlayer::Update(double dt)
{
    Box();
    CBasicSequencePlayer::Update(dt);
    if (CDialogBox* box = Box())
    {
        box->Update(static_cast<float>(dt));
    }

    std::int32_t pressed = CSequenceDialog::PressedNone;
    bool fast = false;
    if (m_sequenceDialog != nullptr && m_sequenceDialog->GetPressed(pressed, fast))
    {
        if (pressed == CSequenceDialog::PressedContinue)
        {
            PlayerConfirmed();
        }
        else if (pressed == CSequenceDialog::PressedSkip)
        {
            m_skipRequested = true;
        }
    }

    if (m_skipRequested)
    {
        // The picture goes black first; a panel already black ends the sequence at once.
        UILib::CPanel* panel = GetBrightnessPanel();
        if (panel != nullptr && !panel->IsAnyAnimationPlaying(true))
        {
            auto* canvas = dynamic_cast<UILib::CTextureCanvas*>(panel->GetCanvas(false));
            if (canvas != nullptr && canvas->GetTransparency() < 1.0f)
            {
                panel->SetColor(BaseLib::CColor(0, 0, 0, 255));
                panel->PlayAnimation("fadein", true, 2.0f, false);
                canvas->SetTransparency(1.0f);
            }
        }
        if (panel == nullptr || !panel->IsAnyAnimationPlaying(true))
        {
            Stop();
        }
    }

    if (fast)
    {
        CDialogBox* box = Box();
        if (box != nullptr && !box->IsFinished())
        {
            box->SetFastForward(true);
        }
    }
}

void CQuarrowSequencePlayer::OnSequenceStart()
{
    CBasicSequencePlayer::OnSequenceStart();
    m_skipRequested = false;
    ResetTextSequence();
}

void CQuarrowSequencePlayer::OnSequenceEnd()
{
    CBasicSequencePlayer::OnSequenceEnd();
    // A text cut off by a skip or a stop must not carry into the next sequence this player runs.
    ResetTextSequence();
    CallShowSequence(false);
}

void CQuarrowSequencePlayer::PlayerConfirmed()
{
    CBasicSequencePlayer::PlayerConfirmed();
    m_pageConfirmed = true;
}

void CQuarrowSequencePlayer::RequestPlayerConfirm()
{
    CBasicSequencePlayer::RequestPlayerConfirm();
    if (m_sequenceDialog != nullptr)
    {
        m_sequenceDialog->ShowContinue(true);
    }
}

void CQuarrowSequencePlayer::CreateDialogBox(const TiXmlElement* element)
{
    // A second box resource in a scene replaces the first, which would otherwise stay on the canvas.
    DeleteDialogBox();
    UILib::CWindow* canvas = GetCanvas();
    if (canvas == nullptr)
    {
        TraceOnce(element, "the dialog box has no canvas window to go into\n");
        return;
    }
    const std::string mode = GetAttribute(element, "mode");
    const std::int32_t style = mode == "tutorial" ? 1 : (mode == "extro" ? 2 : 0);
    auto* box = new CDialogBox(style);
    canvas->AddChild(box->GetHandle());
    box->SetVisible(false);
    m_dialogBox = box;
    m_dialogBoxWindow = box->GetHandle();
}

void CQuarrowSequencePlayer::DeleteDialogBox()
{
    if (CDialogBox* box = Box())
    {
        box->Destroy();
    }
    m_dialogBox = nullptr;
    m_dialogBoxWindow = 0;
}

void CQuarrowSequencePlayer::PrepareDialogBox(const TiXmlElement* element)
{
    CDialogBox* box = Box();
    if (box == nullptr)
    {
        return;
    }
    const std::string orientation = GetAttribute(element, "orientation");
    box->SetOrientation(
        orientation == "neutral" ? 1 : (orientation == "left" ? 2 : (orientation == "right" ? 3 : 0)));
    box->Clear();
    box->SetVisible(true);
}

void CQuarrowSequencePlayer::HideDialogBox()
{
    if (CDialogBox* box = Box())
    {
        box->SetVisible(false);
    }
}

void CQuarrowSequencePlayer::StopAllSounds()
{
    if (m_ambience != nullptr)
    {
        m_ambience->Stop();
    }
    CBasicSequencePlayer::StopAllSounds();
}

void CQuarrowSequencePlayer::FadeOutAllSounds(float seconds)
{
    if (m_ambience != nullptr)
    {
        m_ambience->FadeOut(seconds);
    }
    CBasicSequencePlayer::FadeOutAllSounds(seconds);
}

void CQuarrowSequencePlayer::ShowNextPage()
{
    std::size_t breakAt = std::string::npos;
    std::size_t from = 0;
    for (int line = 0; line < LinesPerPage; ++line)
    {
        breakAt = m_pendingText.find('\n', from);
        if (breakAt == std::string::npos)
        {
            break;
        }
        from = breakAt + 1;
    }
    std::string page;
    if (breakAt != std::string::npos)
    {
        page = m_pendingText.substr(0, breakAt);
        m_pendingText.erase(0, breakAt + 1);
    }
    else
    {
        page.swap(m_pendingText);
    }
    if (m_sequenceDialog != nullptr)
    {
        m_sequenceDialog->ClearFastRequest();
    }
    if (CDialogBox* box = Box())
    {
        box->Clear();
        box->SetText(page);
    }
}

// Commands

bool CQuarrowSequencePlayer::DialogTextSequence(const TiXmlElement* element, double)
{
    if (!m_textSequenceRunning)
    {
        m_textSequenceRunning = true;
        PrepareDialogBox(element);
        CDialogBox* box = Box();
        const float delay = GetFloatAttribute(element, "characterdelay", -1.0f);
        if (delay != -1.0f && box != nullptr)
        {
            box->SetCharacterDelay(delay);
        }
        m_pendingText.clear();
        for (const TiXmlNode* node = element->FirstChild(); node != nullptr; node = node->NextSibling())
        {
            if (const TiXmlText* words = node->ToText())
            {
                m_pendingText += words->Value();
            }
            else if (const TiXmlElement* child = node->ToElement();
                     child != nullptr && std::string(child->Value()) == "br")
            {
                m_pendingText += '\n';
            }
        }
        if (box != nullptr)
        {
            box->WrapText(m_pendingText);
        }
        m_waitingForConfirm = false;
        m_pageConfirmed = false;
        ShowNextPage();
        return true;
    }
    if (!m_waitingForConfirm)
    {
        const CDialogBox* box = Box();
        if (box == nullptr || box->IsFinished())
        {
            if (m_sequenceDialog != nullptr)
            {
                m_sequenceDialog->ShowContinue(true);
            }
            m_waitingForConfirm = true;
            // Without the cut-scene window's dialog no button can be offered: the page counts as read.
            m_pageConfirmed = m_sequenceDialog == nullptr;
        }
        return true;
    }
    if (!m_pageConfirmed)
    {
        return true;
    }
    if (m_sequenceDialog != nullptr)
    {
        m_sequenceDialog->ShowContinue(false);
    }
    m_waitingForConfirm = false;
    if (!m_pendingText.empty())
    {
        m_pageConfirmed = false;
        ShowNextPage();
        return true;
    }
    m_textSequenceRunning = false;
    return false;
}

bool CQuarrowSequencePlayer::ClearDialogBox(const TiXmlElement*, double)
{
    if (CDialogBox* box = Box())
    {
        box->Clear();
    }
    return false;
}

bool CQuarrowSequencePlayer::BlockMarker(const TiXmlElement* element, double)
{
    CQuarrowInputChannel* channel = Channel(element);
    if (channel == nullptr)
    {
        return false;
    }
    const bool direction = GetAttribute(element, "type", "direction") == "direction";
    if (!GetBoolAttribute(element, "show", true))
    {
        if (direction)
        {
            channel->PushHideDirectionArrow();
        }
        else
        {
            channel->PushHidePointer();
        }
        return false;
    }
    const auto x = static_cast<float>(GetIntAttribute(element, "x", 0));
    const auto y = static_cast<float>(GetIntAttribute(element, "y", 0));
    if (direction)
    {
        const std::string word = GetAttribute(element, "direction", "north");
        const std::int32_t code = word == "south" ? 1 : (word == "west" ? 2 : (word == "east" ? 3 : 0));
        channel->PushShowDirectionArrow(code, x, y);
    }
    else
    {
        channel->PushShowPointer(x, y);
    }
    return false;
}

bool CQuarrowSequencePlayer::BlockAt(const TiXmlElement* element)
{
    return m_puzzle != nullptr && !m_puzzle->GetGrid().IsCellEmpty(GetIntAttribute(element, "x", 0),
                                                                   GetIntAttribute(element, "y", 0));
}

bool CQuarrowSequencePlayer::NoBlockAt(const TiXmlElement* element)
{
    return m_puzzle != nullptr && m_puzzle->GetGrid().IsCellEmpty(GetIntAttribute(element, "x", 0),
                                                                  GetIntAttribute(element, "y", 0));
}

bool CQuarrowSequencePlayer::PuzzleSolved(const TiXmlElement*)
{
    return m_puzzle != nullptr && m_puzzle->IsSolved();
}

bool CQuarrowSequencePlayer::MapCellMarker(const TiXmlElement* element, double)
{
    CQuarrowInputChannel* channel = Channel(element);
    if (channel == nullptr)
    {
        return false;
    }
    if (GetBoolAttribute(element, "show", true))
    {
        channel->PushShowMapHighlight(static_cast<float>(GetIntAttribute(element, "x", 0)) + 0.5f,
                                      static_cast<float>(GetIntAttribute(element, "y", 0)) + 0.5f);
    }
    else
    {
        channel->PushHideMapHighlight();
    }
    return false;
}

bool CQuarrowSequencePlayer::HideSequence(const TiXmlElement*, double)
{
    CallShowSequence(false);
    return false;
}

bool CQuarrowSequencePlayer::ShowSequence(const TiXmlElement*, double)
{
    CallShowSequence(true);
    return false;
}

bool CQuarrowSequencePlayer::EnableGameControls(const TiXmlElement* element, double)
{
    if (CQuarrowInputChannel* channel = Channel(element))
    {
        channel->SetUserControlEnabled(true);
    }
    CallShowSequence(false);
    return false;
}

bool CQuarrowSequencePlayer::DisableGameControls(const TiXmlElement* element, double)
{
    if (CQuarrowInputChannel* channel = Channel(element))
    {
        // A block still held would stay held while the player cannot let go of it: released first,
        // while the channel still takes the command.
        if (m_puzzle != nullptr && m_puzzle->GetSelectedBlockId() != -1)
        {
            channel->PushReleaseBlock(m_puzzle->GetSelectedBlockId());
        }
        channel->SetUserControlEnabled(false);
    }
    CallShowSequence(true);
    return false;
}

bool CQuarrowSequencePlayer::RumbleEffect(const TiXmlElement*, double)
{
    return false;
}

// Helpers

CDialogBox* CQuarrowSequencePlayer::Box()
{
    UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance();
    UILib::CWindow* window =
        m_dialogBoxWindow != 0 && manager != nullptr ? manager->Resolve(m_dialogBoxWindow) : nullptr;
    m_dialogBox = dynamic_cast<CDialogBox*>(window);
    if (m_dialogBox == nullptr)
    {
        m_dialogBoxWindow = 0;
    }
    return m_dialogBox;
}

CQuarrowInputChannel* CQuarrowSequencePlayer::Channel(const TiXmlElement* element)
{
    if (m_inputChannel == nullptr)
    {
        TraceOnce(element, "there is no game input channel for the command\n");
    }
    return m_inputChannel;
}

void CQuarrowSequencePlayer::CallShowSequence(bool shown)
{
    if (m_showSequence != nullptr)
    {
        m_showSequence(m_callbackObject, shown);
    }
}

void CQuarrowSequencePlayer::ResetTextSequence()
{
    if (m_waitingForConfirm && m_sequenceDialog != nullptr)
    {
        m_sequenceDialog->ShowContinue(false);
    }
    m_textSequenceRunning = false;
    m_pendingText.clear();
    m_waitingForConfirm = false;
    m_pageConfirmed = false;
}
