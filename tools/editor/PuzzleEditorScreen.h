#pragma once

#include "game/puzzle/PuzzleScreen2D.h"
#include "game/puzzle/PuzzleScreen3D.h"
#include "ui/HandleTable.h"

#include <memory>
#include <string>

class CBlockDesignerWindow;
class CBlocksLibraryWindow;
class CPuzzleEditor;
class CPuzzleEditorMenuWindow;
class CPuzzleEditorWorkArea;
class CPuzzleEditorWorkArea2D;

// What the 2D and the 3D editor screen add to their puzzle screen: the editor over the world's puzzle
// (owned), and the work area, block designer, blocks-library window and tool window (owned by the window
// system, held here by handle).
class CPuzzleEditorScreenParts
{
public:
    explicit CPuzzleEditorScreenParts(CQuarrowWorld* world);
    // The windows that are still there deleted (the library window writes the library), then the editor.
    ~CPuzzleEditorScreenParts();
    CPuzzleEditorScreenParts(const CPuzzleEditorScreenParts&) = delete;
    CPuzzleEditorScreenParts& operator=(const CPuzzleEditorScreenParts&) = delete;

    // The work area on the playing field at its origin; the designer and the library window hidden on
    // the root panel; the library window and the tool window at the panel's top right.
    void CreateWindows(CQuarrowWorld* world, UILib::CWindow* rootPanel, UILib::CWindow* playingField,
                       CPuzzleEditorWorkArea* workArea);
    // Whether the screen's update may run: false while the world has commands pending.
    static bool MayUpdate(const CQuarrowWorld* world);
    // A pending "quit" is taken while one of the editor's dialogs is open (any modal window but the
    // screen's own in-game menu and progress dialogs) and in the frames just after it closed, so the
    // Escape that closes a dialog does not also leave the level.
    void SwallowDialogEscape(CQuarrowUI* userInterface, const CPuzzleScreen& screen);
    // Whether "editor" fired since the last frame.
    static bool EditorKeyPressed(CQuarrowUI* userInterface);
    // The editor's frame, then the work area's and the tool window's.
    void UpdateEditor();

    CPuzzleEditor* GetEditor() const { return m_editor.get(); }
    CPuzzleEditorWorkArea* GetWorkArea() const;
    CBlockDesignerWindow* GetDesigner() const;
    CBlocksLibraryWindow* GetLibraryWindow() const;
    CPuzzleEditorMenuWindow* GetToolWindow() const;

private:
    std::unique_ptr<CPuzzleEditor> m_editor;
    UILib::Handle m_workArea = 0;
    UILib::Handle m_designer = 0;
    UILib::Handle m_library = 0;
    UILib::Handle m_toolWindow = 0;
    // Frames left in which a "quit" still belongs to a dialog that closed.
    int m_dialogFrames = 0;
};

// "editor2d": the 2D puzzle screen with the editor's windows over it. It also lets the batch processor
// go on to its next file once each frame is drawn (its screenshot is then written).
class CPuzzleEditorScreen2D : public CPuzzleScreen2D
{
public:
    CPuzzleEditorScreen2D(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // Nothing while world commands are pending; else "editor" back to "ingame2d", the 2D puzzle
    // screen's update, then the editor's.
    void Update() override;
    // After the windows are drawn: ReleaseBatchScreenshotWait.
    void DrawOverlay() override { ReleaseBatchScreenshotWait(); }
    // The puzzle screen's, then "SetEditorMode" "true".
    void OnActivate() override;
    // The puzzle screen's, "SetEditorMode" "false", and the work area forgets the board view.
    void OnDeactivate() override;

    // The world's batch processor may take its next file.
    void ReleaseBatchScreenshotWait();

    const CPuzzleEditorScreenParts& Parts() const { return m_parts; }
    CPuzzleEditorWorkArea2D* GetWorkArea2D() const;

protected:
    ~CPuzzleEditorScreen2D() override = default;

    void CreateWindows() override;
    // The board view built for the level, then handed to the work area.
    void LeaveWaitForPuzzle() override;
    void AttachBoard();

private:
    CPuzzleEditorScreenParts m_parts;
};

// "editor3d": the 3D puzzle screen with the editor's windows over it.
class CPuzzleEditorScreen3D : public CPuzzleScreen3D
{
public:
    CPuzzleEditorScreen3D(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // Nothing while world commands are pending; else "editor" back to "ingame3d", the editor's update,
    // then the 3D puzzle screen's.
    void Update() override;
    void OnActivate() override;
    void OnDeactivate() override;

    const CPuzzleEditorScreenParts& Parts() const { return m_parts; }

protected:
    ~CPuzzleEditorScreen3D() override = default;

    void CreateWindows() override;

private:
    CPuzzleEditorScreenParts m_parts;
};

GameLib::CUIScreen* CreatePuzzleEditorScreen2D(CQuarrowUI* userInterface, CQuarrowWorld* world);
GameLib::CUIScreen* CreatePuzzleEditorScreen3D(CQuarrowUI* userInterface, CQuarrowWorld* world);
