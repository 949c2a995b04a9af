#pragma once

#include "foundation/Timer.h"
#include "game/sequences/SequencePlayer.h"
#include "sound/Sound.h"
#include "ui/HandleTable.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace GameLib
{
class CUserInterface;
}
namespace UILib
{
class CPanel;
class CWindow;
} // namespace UILib
class CAtmoPlayer;
class CDialogBox;

// The cut-scene stage: a scene timer, text variables, a brightness panel over the whole canvas window,
// stacked background pictures that glide, sounds and ambient players, the player-confirmation handshake
// and the dialog box's text. It needs no game objects. Without a canvas window no panel and no picture
// is made (one trace); a command naming a sound or picture that does not exist does nothing and its
// condition holds (one trace), so a faulty script never waits for ever on it.
class CBasicSequencePlayer : public CSequencePlayer
{
public:
    // One background picture.
    struct BitmapLayer
    {
        UILib::Handle window = 0; // a CLabel in the canvas window
        float startX = 0.0f;
        float startY = 0.0f;
        float targetX = 0.0f;
        float targetY = 0.0f;
        float progress = 0.0f; // 0 … 1
        float duration = 0.0f; // seconds; 0: no glide
        bool soft = false;
        std::int32_t priority = 0;
    };

    CBasicSequencePlayer() = default;
    // Stops and deletes what Shutdown did not: sounds, pictures and the panel.
    ~CBasicSequencePlayer() override;

    // The window the player draws into; before RegisterCommands.
    void SetCanvas(UILib::CWindow* canvas);
    void SetUserInterface(GameLib::CUserInterface* userInterface) { m_userInterface = userInterface; }
    GameLib::CUserInterface* GetUserInterface() const { return m_userInterface; }

    // The base's commands, this player's, then the brightness panel (opaque: a sequence starts black).
    void RegisterCommands() override;
    // Stop, then the panel is destroyed.
    void Shutdown() override;
    // The script, then the timer, the glides and the ambient players.
    void Update(double dt) override;
    void OnSequenceStart() override;
    void OnSequenceEnd() override;
    void OnSceneEnter() override;
    void OnSceneLeave() override;

    virtual void PlayerConfirmed();
    virtual void RequestPlayerConfirm();
    // The dialog box's life: nothing here (the game's player makes one).
    virtual void CreateDialogBox(const TiXmlElement*) {}
    virtual void DeleteDialogBox() {}
    virtual void PrepareDialogBox(const TiXmlElement*) {}
    virtual void HideDialogBox() {}
    virtual void StopAllSounds();
    virtual void FadeOutAllSounds(float seconds);

    // Inserts or overwrites.
    void SetVariable(const std::string& key, const std::string& value);
    // Empty for an absent key.
    std::string GetVariable(const std::string& key) const;
    bool HasVariable(const std::string& key) const { return m_variables.count(key) != 0; }

    double GetTime() const { return m_timer.GetTime(); }
    UILib::CPanel* GetBrightnessPanel() const;
    const std::map<std::string, BitmapLayer>& GetLayers() const { return m_layers; }
    UILib::CWindow* GetLayerWindow(const std::string& id) const;
    SoundLib::CSound* GetSound(const std::string& id) const;
    std::size_t GetSoundCount() const { return m_sounds.size(); }
    std::size_t GetAmbientCount() const { return m_ambient.size(); }
    bool IsConfirmRequested() const { return m_confirmRequested; }
    bool IsConfirmed() const { return m_confirmed; }
    CDialogBox* GetDialogBox() const { return m_dialogBox; }

protected:
    UILib::CWindow* GetCanvas() const;
    // The "dialogbox" commands' box; the owner of the box sets and clears it.
    CDialogBox* m_dialogBox = nullptr;

private:
    bool StartTimer(const TiXmlElement* element, double dt);
    bool TimerElapsed(const TiXmlElement* element);
    bool SetVariableAction(const TiXmlElement* element, double dt);
    bool TestVariable(const TiXmlElement* element);
    bool SetBrightness(const TiXmlElement* element, double dt);
    bool Brightness(const TiXmlElement* element);
    void Background(const TiXmlElement* element);
    bool MoveBackground(const TiXmlElement* element, double dt);
    bool BackgroundMovementFinished(const TiXmlElement* element);
    void Sounds(const TiXmlElement* element);
    bool StartSound(const TiXmlElement* element, double dt);
    bool StopSound(const TiXmlElement* element, double dt);
    bool StopAllSoundsAction(const TiXmlElement* element, double dt);
    bool FadeOutAllSoundsAction(const TiXmlElement* element, double dt);
    bool FadeInSound(const TiXmlElement* element, double dt);
    bool FadeOutSound(const TiXmlElement* element, double dt);
    bool UnloadSoundResources(const TiXmlElement* element, double dt);
    bool SoundFinished(const TiXmlElement* element);
    bool RequestPlayerConfirmAction(const TiXmlElement* element, double dt);
    bool PlayerConfirm(const TiXmlElement* element);
    void DialogBoxResource(const TiXmlElement* element);
    bool DialogBoxAction(const TiXmlElement* element, double dt);
    bool HideDialogBoxAction(const TiXmlElement* element, double dt);
    bool DialogBoxFinished(const TiXmlElement* element);

    // The sound the element's "id" names; null with one trace when there is none.
    SoundLib::CSound* FindSound(const TiXmlElement* element);
    // The layer the element's "id" names; null with one trace when there is none or its window is gone.
    BitmapLayer* FindLayer(const TiXmlElement* element);
    // Stores the sound under the id; one stored there before is stopped and deleted.
    void StoreSound(const std::string& id, std::unique_ptr<SoundLib::CSound> sound, CAtmoPlayer* ambient);
    // Stops and deletes every sound.
    void UnloadSounds();
    void DestroyLayers();
    void AdvanceGlides(float dt);
    UILib::CWindow* Resolve(UILib::Handle handle) const;

    UILib::Handle m_canvas = 0;
    BaseLib::CTimer m_timer;
    std::map<std::string, std::string> m_variables;
    UILib::Handle m_brightnessPanel = 0;
    std::map<std::string, BitmapLayer> m_layers;
    std::map<std::string, std::unique_ptr<SoundLib::CSound>> m_sounds;
    std::vector<CAtmoPlayer*> m_ambient;
    bool m_confirmRequested = false;
    bool m_confirmed = false;
    GameLib::CUserInterface* m_userInterface = nullptr;
};
