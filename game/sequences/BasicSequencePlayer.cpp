#include "game/sequences/BasicSequencePlayer.h"

#include "foundation/Debug.h"
#include "foundation/Helpers.h"
#include "framework/UserInterface.h"
#include "game/map/AtmoPlayer.h"
#include "game/sequences/DialogBox.h"
#include "sound/Sound.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>

namespace
{

// The farthest a picture is placed: a glide's target may lie far outside any screen, and the window
// system adds sizes to positions.
constexpr double MaxPixel = 1 << 30;

// floor(value + 0.5), within ±MaxPixel.
std::int32_t ToPixel(float value)
{
    const double rounded = std::floor(static_cast<double>(value) + 0.5);
    if (std::isnan(rounded))
    {
        return 0;
    }
    return static_cast<std::int32_t>(std::clamp(rounded, -MaxPixel, MaxPixel));
}

// The two numbers of a "pos" written " x , y ", each saturated; a missing one counts as 0.
void ParsePosition(const std::string& text, std::int32_t& x, std::int32_t& y)
{
    x = 0;
    y = 0;
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) != 0)
    {
        ++at;
    }
    std::size_t digits = at < text.size() && (text[at] == '+' || text[at] == '-') ? at + 1 : at;
    if (digits >= text.size() || std::isdigit(static_cast<unsigned char>(text[digits])) == 0)
    {
        return;
    }
    x = BaseLib::ParseDecimalInt(text.c_str() + at);
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])) != 0)
    {
        ++digits;
    }
    while (digits < text.size() && std::isspace(static_cast<unsigned char>(text[digits])) != 0)
    {
        ++digits;
    }
    if (digits < text.size() && text[digits] == ',')
    {
        y = BaseLib::ParseDecimalInt(text.c_str() + digits + 1);
    }
}

} // namespace

CBasicSequencePlayer::~CBasicSequencePlayer()
{
    UnloadSounds();
    DestroyLayers();
    if (UILib::CWindow* panel = Resolve(m_brightnessPanel))
    {
        panel->Destroy();
    }
}

void CBasicSequencePlayer::SetCanvas(UILib::CWindow* canvas)
{
    m_canvas = canvas != nullptr ? canvas->GetHandle() : 0;
}

UILib::CWindow* CBasicSequencePlayer::Resolve(UILib::Handle handle) const
{
    UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance();
    return handle != 0 && manager != nullptr ? manager->Resolve(handle) : nullptr;
}

UILib::CWindow* CBasicSequencePlayer::GetCanvas() const
{
    return Resolve(m_canvas);
}

UILib::CPanel* CBasicSequencePlayer::GetBrightnessPanel() const
{
    return static_cast<UILib::CPanel*>(Resolve(m_brightnessPanel));
}

UILib::CWindow* CBasicSequencePlayer::GetLayerWindow(const std::string& id) const
{
    const auto found = m_layers.find(id);
    return found != m_layers.end() ? Resolve(found->second.window) : nullptr;
}

SoundLib::CSound* CBasicSequencePlayer::GetSound(const std::string& id) const
{
    const auto found = m_sounds.find(id);
    return found != m_sounds.end() ? found->second.get() : nullptr;
}

void CBasicSequencePlayer::RegisterCommands()
{
    CSequencePlayer::RegisterCommands();
    using Self = CBasicSequencePlayer;
    RegisterAction("starttimer", ActionDelegate(this, &Self::StartTimer));
    RegisterCondition("timerelapsed", ConditionDelegate(this, &Self::TimerElapsed));
    RegisterAction("setvariable", ActionDelegate(this, &Self::SetVariableAction));
    RegisterCondition("testvariable", ConditionDelegate(this, &Self::TestVariable));
    RegisterAction("setbrightness", ActionDelegate(this, &Self::SetBrightness));
    RegisterCondition("brightness", ConditionDelegate(this, &Self::Brightness));
    RegisterResource("bg", ResourceDelegate(this, &Self::Background));
    RegisterAction("movebg", ActionDelegate(this, &Self::MoveBackground));
    RegisterCondition("bgmovementfinished", ConditionDelegate(this, &Self::BackgroundMovementFinished));
    RegisterResource("sounds", ResourceDelegate(this, &Self::Sounds));
    RegisterAction("startsound", ActionDelegate(this, &Self::StartSound));
    RegisterAction("stopsound", ActionDelegate(this, &Self::StopSound));
    RegisterAction("stopallsound", ActionDelegate(this, &Self::StopAllSoundsAction));
    RegisterAction("fadeoutallsound", ActionDelegate(this, &Self::FadeOutAllSoundsAction));
    RegisterAction("fadeinsound", ActionDelegate(this, &Self::FadeInSound));
    RegisterAction("fadeoutsound", ActionDelegate(this, &Self::FadeOutSound));
    RegisterAction("unloadsoundresources", ActionDelegate(this, &Self::UnloadSoundResources));
    RegisterCondition("soundfinished", ConditionDelegate(this, &Self::SoundFinished));
    RegisterAction("requestplayerconfirm", ActionDelegate(this, &Self::RequestPlayerConfirmAction));
    RegisterCondition("playerconfirm", ConditionDelegate(this, &Self::PlayerConfirm));
    RegisterResource("dialogbox", ResourceDelegate(this, &Self::DialogBoxResource));
    RegisterAction("dialogbox", ActionDelegate(this, &Self::DialogBoxAction));
    RegisterAction("hidedialogbox", ActionDelegate(this, &Self::HideDialogBoxAction));
    RegisterCondition("dialogbox", ConditionDelegate(this, &Self::DialogBoxFinished));

    UILib::CWindow* canvas = GetCanvas();
    if (canvas == nullptr)
    {
        BaseLib::DebugOutput("CBasicSequencePlayer: no canvas window, so no brightness panel and no pictures\n");
        return;
    }
    if (Resolve(m_brightnessPanel) != nullptr)
    {
        return;
    }
    // As large as the canvas window and unscaled: the window system clips a window with its own canvas to
    // its client rectangle, so a small panel scaled up would darken only its own few pixels.
    const BaseLib::CSize size = canvas->GetSize();
    auto* panel = new UILib::CPanel();
    panel->SetColor(BaseLib::CColor(0, 0, 0, 255));
    panel->SetSize(size.cx, size.cy);
    panel->SetPosition(0, 0);
    panel->SetOwnCanvas(true);
    if (auto* texture = dynamic_cast<UILib::CTextureCanvas*>(panel->GetCanvas(false)))
    {
        texture->SetTransparency(1.0f);
    }
    panel->SetAlwaysOnTop(true);
    canvas->AddChild(panel->GetHandle());
    m_brightnessPanel = panel->GetHandle();
}

void CBasicSequencePlayer::Shutdown()
{
    CSequencePlayer::Shutdown();
    if (UILib::CWindow* panel = Resolve(m_brightnessPanel))
    {
        panel->Destroy();
    }
    m_brightnessPanel = 0;
}

void CBasicSequencePlayer::Update(double dt)
{
    CSequencePlayer::Update(dt);
    m_timer.Advance(static_cast<float>(dt));
    AdvanceGlides(static_cast<float>(dt));
    for (CAtmoPlayer* ambient : m_ambient)
    {
        ambient->Update(dt);
    }
}

void CBasicSequencePlayer::OnSequenceStart()
{
    m_variables.clear();
}

void CBasicSequencePlayer::OnSequenceEnd()
{
    for (auto& [id, sound] : m_sounds)
    {
        sound->FadeOut(0.05f);
    }
    m_sounds.clear();
    m_ambient.clear();
}

void CBasicSequencePlayer::OnSceneEnter()
{
    CSequencePlayer::OnSceneEnter();
    m_timer.SetTime(0.0);
    m_timer.Resume();
    m_confirmRequested = false;
    m_confirmed = false;
}

void CBasicSequencePlayer::OnSceneLeave()
{
    DestroyLayers();
    DeleteDialogBox();
}

void CBasicSequencePlayer::PlayerConfirmed()
{
    m_confirmRequested = false;
    m_confirmed = true;
}

void CBasicSequencePlayer::RequestPlayerConfirm()
{
    m_confirmRequested = true;
    m_confirmed = false;
}

void CBasicSequencePlayer::StopAllSounds()
{
    for (auto& [id, sound] : m_sounds)
    {
        sound->Stop();
    }
}

void CBasicSequencePlayer::FadeOutAllSounds(float seconds)
{
    for (auto& [id, sound] : m_sounds)
    {
        sound->FadeOut(seconds);
    }
}

void CBasicSequencePlayer::SetVariable(const std::string& key, const std::string& value)
{
    m_variables[key] = value;
}

std::string CBasicSequencePlayer::GetVariable(const std::string& key) const
{
    const auto found = m_variables.find(key);
    return found != m_variables.end() ? found->second : std::string();
}

// Commands

bool CBasicSequencePlayer::StartTimer(const TiXmlElement*, double)
{
    m_timer.SetTime(0.0);
    m_timer.Resume();
    return false;
}

bool CBasicSequencePlayer::TimerElapsed(const TiXmlElement* element)
{
    return GetFloatAttribute(element, "time", 0.0f) <= m_timer.GetTime();
}

bool CBasicSequencePlayer::SetVariableAction(const TiXmlElement* element, double)
{
    SetVariable(GetAttribute(element, "key"), GetAttribute(element, "value"));
    return false;
}

bool CBasicSequencePlayer::TestVariable(const TiXmlElement* element)
{
    const auto found = m_variables.find(GetAttribute(element, "key"));
    return found != m_variables.end() && found->second == GetAttribute(element, "value");
}

bool CBasicSequencePlayer::SetBrightness(const TiXmlElement* element, double)
{
    UILib::CPanel* panel = GetBrightnessPanel();
    if (panel == nullptr)
    {
        return false;
    }
    const float value = GetFloatAttribute(element, "value", 1.0f);
    const float duration = GetFloatAttribute(element, "duration", 0.0f);
    panel->SetColor(value > 1.0f ? BaseLib::CColor(255, 255, 255, 255) : BaseLib::CColor(0, 0, 0, 255));
    const char* animation = value == 1.0f ? "fadeout" : "fadein";
    if (duration > 0.0f)
    {
        panel->PlayAnimation(animation, true, 1.0f / duration, false);
    }
    else
    {
        panel->SetAnimationTime(animation, std::numeric_limits<float>::max(), true);
    }
    return false;
}

bool CBasicSequencePlayer::Brightness(const TiXmlElement*)
{
    UILib::CPanel* panel = GetBrightnessPanel();
    return panel == nullptr || !panel->IsAnyAnimationPlaying(true);
}

void CBasicSequencePlayer::Background(const TiXmlElement* element)
{
    UILib::CWindow* canvas = GetCanvas();
    if (canvas == nullptr)
    {
        TraceOnce(element, "the picture has no canvas window to go into\n");
        return;
    }
    BitmapLayer layer;
    layer.priority = GetIntAttribute(element, "priority", -1);
    const std::string id = GetAttribute(element, "id");
    const TiXmlElement* bitmap = element->FirstChildElement("bitmap");
    auto* label = new UILib::CLabel();
    label->SetText(""); // a picture that does not load leaves an empty layer, not the label's default text
    label->SetOwnCanvas(true);
    if (bitmap != nullptr)
    {
        label->SetBitmapFile(GetAttribute(bitmap, "file").c_str());
    }
    label->SizeToContent(true);
    label->SetWriteAlpha(true);
    label->SetPosition(0, 0);
    canvas->AddChild(label->GetHandle());
    layer.window = label->GetHandle();

    // A layer of the same id goes, window and all: nothing would destroy its window any more.
    const auto old = m_layers.find(id);
    if (old != m_layers.end())
    {
        if (UILib::CWindow* window = Resolve(old->second.window))
        {
            window->Destroy();
        }
    }
    m_layers[id] = layer;

    // Highest priority first, each to the front: the lowest value ends in front.
    std::vector<const BitmapLayer*> order;
    for (const auto& [key, stored] : m_layers)
    {
        order.push_back(&stored);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const BitmapLayer* a, const BitmapLayer* b) { return a->priority > b->priority; });
    if (UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance())
    {
        for (const BitmapLayer* stored : order)
        {
            manager->ActivateWindow(stored->window, false);
        }
    }
    if (m_userInterface != nullptr)
    {
        m_userInterface->ResetTimeStep();
    }
}

bool CBasicSequencePlayer::MoveBackground(const TiXmlElement* element, double)
{
    BitmapLayer* layer = FindLayer(element);
    if (layer == nullptr)
    {
        return false;
    }
    UILib::CWindow* window = Resolve(layer->window);
    std::int32_t x = 0;
    std::int32_t y = 0;
    ParsePosition(GetAttribute(element, "pos"), x, y);
    const BaseLib::CPoint position = window->GetPosition();
    layer->startX = static_cast<float>(position.x);
    layer->startY = static_cast<float>(position.y);
    layer->targetX = -2.0f * static_cast<float>(x);
    layer->targetY = -2.0f * static_cast<float>(y);
    layer->progress = 0.0f;
    layer->duration = GetFloatAttribute(element, "duration", 0.0f);
    layer->soft = GetBoolAttribute(element, "soft", false);
    if (layer->duration == 0.0f)
    {
        window->SetPosition(ToPixel(layer->targetX), ToPixel(layer->targetY));
    }
    return false;
}

bool CBasicSequencePlayer::BackgroundMovementFinished(const TiXmlElement* element)
{
    const BitmapLayer* layer = FindLayer(element);
    return layer == nullptr || layer->progress == 1.0f;
}

void CBasicSequencePlayer::Sounds(const TiXmlElement* element)
{
    for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement())
    {
        const std::string kind = child->Value();
        const std::string id = GetAttribute(child, "id");
        if (kind == "sound")
        {
            auto sound = std::make_unique<SoundLib::CMultiChannelSound>();
            sound->SetFile(GetAttribute(child, "file"));
            sound->SetLooping(GetBoolAttribute(child, "loop", false));
            StoreSound(id, std::move(sound), nullptr);
        }
        else if (kind == "atmo")
        {
            auto player = std::make_unique<CAtmoPlayer>();
            if (child->Attribute("loopfile") != nullptr)
            {
                player->SetLoop(GetAttribute(child, "loopfile"));
            }
            player->SetPauseRange(GetFloatAttribute(child, "minpause", 1.0f), GetFloatAttribute(child, "maxpause", 2.5f));
            player->SetPitchRange(GetFloatAttribute(child, "minpitch", 0.9f), GetFloatAttribute(child, "maxpitch", 1.1f));
            for (const TiXmlElement* sample = child->FirstChildElement("sample"); sample != nullptr;
                 sample = sample->NextSiblingElement("sample"))
            {
                player->AddOneShot(GetAttribute(sample, "file"));
            }
            CAtmoPlayer* ambient = player.get();
            StoreSound(id, std::move(player), ambient);
        }
    }
}

void CBasicSequencePlayer::StoreSound(const std::string& id, std::unique_ptr<SoundLib::CSound> sound,
                                      CAtmoPlayer* ambient)
{
    // A scene entered again makes its sounds again: the old ones must not play on unowned.
    const auto old = m_sounds.find(id);
    if (old != m_sounds.end())
    {
        old->second->Stop();
        m_ambient.erase(std::remove(m_ambient.begin(), m_ambient.end(), old->second.get()), m_ambient.end());
    }
    m_sounds[id] = std::move(sound);
    if (ambient != nullptr)
    {
        m_ambient.push_back(ambient);
    }
}

bool CBasicSequencePlayer::StartSound(const TiXmlElement* element, double)
{
    if (SoundLib::CSound* sound = FindSound(element))
    {
        sound->Play();
    }
    return false;
}

bool CBasicSequencePlayer::StopSound(const TiXmlElement* element, double)
{
    if (SoundLib::CSound* sound = FindSound(element))
    {
        sound->Stop();
    }
    return false;
}

bool CBasicSequencePlayer::StopAllSoundsAction(const TiXmlElement*, double)
{
    StopAllSounds();
    return false;
}

bool CBasicSequencePlayer::FadeOutAllSoundsAction(const TiXmlElement* element, double)
{
    FadeOutAllSounds(GetFloatAttribute(element, "duration", 0.0f));
    return false;
}

bool CBasicSequencePlayer::FadeInSound(const TiXmlElement* element, double)
{
    if (SoundLib::CSound* sound = FindSound(element))
    {
        sound->FadeIn(GetFloatAttribute(element, "duration", 0.0f), 100.0f);
    }
    return false;
}

bool CBasicSequencePlayer::FadeOutSound(const TiXmlElement* element, double)
{
    if (SoundLib::CSound* sound = FindSound(element))
    {
        sound->FadeOut(GetFloatAttribute(element, "duration", 0.0f));
    }
    return false;
}

bool CBasicSequencePlayer::UnloadSoundResources(const TiXmlElement*, double)
{
    UnloadSounds();
    return false;
}

bool CBasicSequencePlayer::SoundFinished(const TiXmlElement* element)
{
    SoundLib::CSound* sound = FindSound(element);
    return sound == nullptr || !sound->IsPlaying();
}

bool CBasicSequencePlayer::RequestPlayerConfirmAction(const TiXmlElement*, double)
{
    RequestPlayerConfirm();
    return false;
}

bool CBasicSequencePlayer::PlayerConfirm(const TiXmlElement*)
{
    return m_confirmed;
}

void CBasicSequencePlayer::DialogBoxResource(const TiXmlElement* element)
{
    CreateDialogBox(element);
}

bool CBasicSequencePlayer::DialogBoxAction(const TiXmlElement* element, double)
{
    PrepareDialogBox(element);
    if (m_dialogBox == nullptr)
    {
        TraceOnce(element, "there is no dialog box to show the text\n");
        return false;
    }
    const float delay = GetFloatAttribute(element, "characterdelay", -1.0f);
    if (delay != -1.0f)
    {
        m_dialogBox->SetCharacterDelay(delay);
    }
    std::string text;
    for (const TiXmlNode* node = element->FirstChild(); node != nullptr; node = node->NextSibling())
    {
        if (const TiXmlText* words = node->ToText())
        {
            text += words->Value();
        }
        else if (const TiXmlElement* child = node->ToElement())
        {
            const std::string name = child->Value();
            if (name == "br")
            {
                text += '\n';
            }
            else if (name == "space")
            {
                text.append(static_cast<std::size_t>(std::clamp(GetIntAttribute(child, "width", 0), 0, 31)), ' ');
            }
        }
    }
    m_dialogBox->Clear();
    m_dialogBox->WrapText(text);
    m_dialogBox->SetText(text);
    return false;
}

bool CBasicSequencePlayer::HideDialogBoxAction(const TiXmlElement*, double)
{
    HideDialogBox();
    return false;
}

bool CBasicSequencePlayer::DialogBoxFinished(const TiXmlElement*)
{
    return m_dialogBox == nullptr || m_dialogBox->IsFinished();
}

// Helpers

SoundLib::CSound* CBasicSequencePlayer::FindSound(const TiXmlElement* element)
{
    const std::string id = GetAttribute(element, "id");
    SoundLib::CSound* sound = GetSound(id);
    if (sound == nullptr)
    {
        TraceOnce(element, "no sound has the id '" + id + "'\n");
    }
    return sound;
}

CBasicSequencePlayer::BitmapLayer* CBasicSequencePlayer::FindLayer(const TiXmlElement* element)
{
    const std::string id = GetAttribute(element, "id");
    const auto found = m_layers.find(id);
    if (found == m_layers.end() || Resolve(found->second.window) == nullptr)
    {
        TraceOnce(element, "no picture has the id '" + id + "'\n");
        return nullptr;
    }
    return &found->second;
}

void CBasicSequencePlayer::UnloadSounds()
{
    // Stopped first: a deleted sound leaves its voice playing unowned.
    for (auto& [id, sound] : m_sounds)
    {
        sound->Stop();
    }
    m_sounds.clear();
    m_ambient.clear();
}

void CBasicSequencePlayer::DestroyLayers()
{
    for (const auto& [id, layer] : m_layers)
    {
        if (UILib::CWindow* window = Resolve(layer.window))
        {
            window->Destroy();
        }
    }
    m_layers.clear();
}

void CBasicSequencePlayer::AdvanceGlides(float dt)
{
    for (auto& [id, layer] : m_layers)
    {
        if (layer.duration > 0.0f)
        {
            layer.progress = std::min(layer.progress + dt / layer.duration, 1.0f);
        }
    }
    for (auto& [id, layer] : m_layers)
    {
        if (!(layer.duration > 0.0f))
        {
            continue;
        }
        UILib::CWindow* window = Resolve(layer.window);
        if (window == nullptr)
        {
            continue;
        }
        float t = layer.progress;
        if (layer.soft)
        {
            t = t < 0.5f ? 2.0f * t * t : 1.0f - 2.0f * (1.0f - t) * (1.0f - t);
        }
        window->SetPosition(ToPixel(layer.startX * (1.0f - t) + layer.targetX * t),
                            ToPixel(layer.startY * (1.0f - t) + layer.targetY * t));
    }
}
