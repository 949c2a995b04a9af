#pragma once

#include "foundation/Vector.h"
#include "framework/UIScreen.h"
#include "framework/UserInterface.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class C3DCursor;
class CFileTranslator;
class CGameCameraNode;
class CQuarrowApplication;
class CQuarrowRenderer;
class CQuarrowWorld;
class SaveGameManager;
class ScreenFader;

// The scene's bounding box in board units.
struct QuarrowSceneBox
{
    BaseLib::CVector3 min;
    BaseLib::CVector3 max;
};

// The game's user-interface controller. Over the framework's it registers "startup/renderer", binds the
// camera keys (and the developer keys in developer mode), registers the game's screens with the first
// one's choice, searches bitmaps in "interface>standard", and owns what the game's screens share: the file
// translator, the saved-games holder and the screen fader.
class CQuarrowUI : public GameLib::CUserInterface
{
public:
    // A developer screen's maker. The developer screens live above the game layer: they hand their makers
    // over before the user interface initialises.
    using ScreenCreator = GameLib::CUIScreen* (*)(CQuarrowUI* ui, CQuarrowWorld* world);

    explicit CQuarrowUI(CQuarrowApplication* application);
    ~CQuarrowUI() override;

    // The translator ("english/"), the framework's initialisation (which ends with the screens), the
    // bitmap cache's limit of 128 MiB, the game camera, the saved-games holder, the fader over layer 0's
    // root, the 3D cursor.
    void Initialize() override;
    // The 3D cursor, the fader, the translator and the saved-games holder deleted, the title music
    // released, then the framework's shut-down.
    void Shutdown() override;
    // The scene box follows the puzzle's change number; then the framework's update, then the 3D cursor.
    void Update() override;
    // "startup/renderer" only; the file is read again and written back, the command line applied again.
    void RegisterConfigKeys() override;
    // The framework's bindings, the camera value bindings in "gui", the developer keys in "game".
    void CreateDefaultBindings() override;
    // "interface>standard" searched for bitmaps, then the framework's start.
    void InitializeUILib(int layerCount, int width, int height) override;
    // The game's screens in their order (the developer rows through their makers), then the first one.
    void CreateScreens() override;
    // The framework's screens, then the fader's step.
    void UpdateScreens() override;
    // The simulation clock's time handed to the engine for the frame, then the game renderer draws the
    // scene (unless the current screen hides it).
    void RenderScene(int head) override;
    // Screenshots and video frames go among the player's files.
    std::string ScreenshotPath(const char* name) const override;

    // (2x / w − 1, 1 − 2y / h) over layer 0's root window; (0, 0) without one.
    BaseLib::CVector2 PixelToViewport(float x, float y) const;

    ScreenFader* GetFader() const { return m_fader; }
    SaveGameManager* GetSaveGameManager() const { return m_saveGames; }
    CFileTranslator* GetFileTranslator() const { return m_translator; }
    // Made by Initialize, shut down and deleted first by Shutdown.
    CQuarrowRenderer* GetRenderer() const { return m_renderer; }
    // The 3D view's camera, hung below the scene's root (the scene owns it); null before Initialize.
    CGameCameraNode* GetCamera() const { return m_camera; }
    // Handles the 3D view's mouse events once per frame, after the input update; owned.
    C3DCursor* Get3DCursor() const { return m_cursor; }
    CQuarrowApplication* GetQuarrowApplication() const;
    CQuarrowWorld* GetWorld() const;
    // The box of the last puzzle seen; none before one.
    const std::optional<QuarrowSceneBox>& GetSceneBox() const { return m_sceneBox; }
    // The screen a puzzle opens in: "ingame3d" when "startup/renderer" is exactly "3d", else "ingame2d".
    std::string GetPuzzleScreenName() const;
    // The names of the screens CreateScreens registered, in the order it registered them.
    const std::vector<std::string>& GetScreenNames() const { return m_screenNames; }

    // The maker of a developer screen ("devmenu", "editor2d", "editor3d", "mapeditor"); a second call
    // replaces the first, null removes it. Kept for the process.
    static void SetScreenCreator(const std::string& name, ScreenCreator creator);

private:
    // Initialisation's step for the camera: the first head's aspect ratio, up (0, 0, 1) kept by the
    // camera, the node below the scene's root.
    void CreateCamera();

    ScreenFader* m_fader = nullptr;
    SaveGameManager* m_saveGames = nullptr;
    CFileTranslator* m_translator = nullptr;
    CQuarrowRenderer* m_renderer = nullptr;
    CGameCameraNode* m_camera = nullptr;
    C3DCursor* m_cursor = nullptr;
    // Wider than any change number: "no puzzle" is a value no puzzle takes.
    std::int64_t m_changeNumberSeen = -1;
    std::optional<QuarrowSceneBox> m_sceneBox;
    std::vector<std::string> m_screenNames;
};
