#pragma once

#include "game/sequences/BasicSequencePlayer.h"

#include <cstdint>
#include <string>

class CAtmoPlayer;
class CPuzzle;
class CQuarrowInputChannel;
class CSequenceDialog;
class SaveGameManager;

// The player the map screen and the puzzle screens create: the basic player's stage plus the game's
// commands. Dialog text comes in pages of at most three lines, each waiting for the continue button of
// the host's cut-scene window; markers on the board and on the map go to the game input channel as game
// commands; conditions read the running puzzle; the script switches the player's game controls off and
// on and asks the host to show or hide the cut-scene. The skip button fades the brightness panel to
// black and ends the sequence. Scripts are loaded in the chosen language through the file translator.
//
// Every host object is optional: without a puzzle (on the map) the board conditions do not hold, without
// an input channel the markers are dropped (one trace), without a sequence dialog a typed page counts as
// confirmed, without a dialog box a page counts as typed. Main thread only.
class CQuarrowSequencePlayer : public CBasicSequencePlayer
{
public:
    // The host's show-sequence callback: true shows the cut-scene, false hides it.
    using ShowSequenceFunction = void (*)(void* object, bool shown);
    // The host's second callback (whether the cut-scene shows); kept, no command asks it.
    using SequenceShownFunction = bool (*)(void* object);

    // The box window is destroyed when it still exists.
    ~CQuarrowSequencePlayer() override;

    // The dialog is told that continuing is not offered. Not owned; null for none.
    void SetSequenceDialog(CSequenceDialog* dialog);
    // Null on the map.
    void SetPuzzle(CPuzzle* puzzle) { m_puzzle = puzzle; }
    void SetInputChannel(CQuarrowInputChannel* channel) { m_inputChannel = channel; }
    // The host's ambient sound, stopped and faded with the script's sounds; null for none.
    void SetAmbience(CAtmoPlayer* ambience) { m_ambience = ambience; }
    void SetCallbacks(void* object, ShowSequenceFunction showSequence, SequenceShownFunction sequenceShown);
    // The puzzle screens' saved games; kept for the host, no command reads them.
    void SetSaveGames(SaveGameManager* saveGames) { m_saveGames = saveGames; }

    // The basic commands, then the game's.
    void RegisterCommands() override;
    // The name through the path aliases of the user interface's application, then its language copy
    // when one exists, then the file is read.
    bool Load(const std::string& name) override;
    // The basic update, the box's typing, the dialog's buttons, a requested skip, faster typing.
    void Update(double dt) override;
    void OnSequenceStart() override;
    void OnSequenceEnd() override;

    void PlayerConfirmed() override;
    void RequestPlayerConfirm() override;
    // "mode": "tutorial" style 1, "extro" 2, else 0; the box made before is destroyed first.
    void CreateDialogBox(const TiXmlElement* element) override;
    void DeleteDialogBox() override;
    // "orientation": "neutral" 1, "left" 2, "right" 3, else 0; the box cleared and shown.
    void PrepareDialogBox(const TiXmlElement* element) override;
    void HideDialogBox() override;
    void StopAllSounds() override;
    // The ambience fades over the same time as every other sound.
    void FadeOutAllSounds(float seconds) override;

    // The next page (up to the third line feed) of the pending text into the box.
    void ShowNextPage();

    CSequenceDialog* GetSequenceDialog() const { return m_sequenceDialog; }
    CPuzzle* GetPuzzle() const { return m_puzzle; }
    SaveGameManager* GetSaveGames() const { return m_saveGames; }
    bool IsSkipRequested() const { return m_skipRequested; }
    bool IsTextSequenceRunning() const { return m_textSequenceRunning; }
    const std::string& GetPendingText() const { return m_pendingText; }
    bool IsWaitingForConfirm() const { return m_waitingForConfirm; }

private:
    bool DialogTextSequence(const TiXmlElement* element, double dt);
    bool ClearDialogBox(const TiXmlElement* element, double dt);
    bool BlockMarker(const TiXmlElement* element, double dt);
    bool BlockAt(const TiXmlElement* element);
    bool NoBlockAt(const TiXmlElement* element);
    bool PuzzleSolved(const TiXmlElement* element);
    bool MapCellMarker(const TiXmlElement* element, double dt);
    bool HideSequence(const TiXmlElement* element, double dt);
    bool ShowSequence(const TiXmlElement* element, double dt);
    bool EnableGameControls(const TiXmlElement* element, double dt);
    bool DisableGameControls(const TiXmlElement* element, double dt);
    bool RumbleEffect(const TiXmlElement* element, double dt);

    // The box, or null when there is none or its window went with its parent (the base's pointer follows).
    CDialogBox* Box();
    // The channel, or null with one trace naming the element.
    CQuarrowInputChannel* Channel(const TiXmlElement* element);
    void CallShowSequence(bool shown);
    // Not running, not waiting, nothing pending, not confirmed.
    void ResetTextSequence();

    CSequenceDialog* m_sequenceDialog = nullptr;
    CPuzzle* m_puzzle = nullptr;
    CQuarrowInputChannel* m_inputChannel = nullptr;
    CAtmoPlayer* m_ambience = nullptr;
    bool m_skipRequested = false;
    bool m_textSequenceRunning = false;
    std::string m_pendingText;
    bool m_waitingForConfirm = false;
    bool m_pageConfirmed = false;
    void* m_callbackObject = nullptr;
    ShowSequenceFunction m_showSequence = nullptr;
    SequenceShownFunction m_sequenceShown = nullptr;
    SaveGameManager* m_saveGames = nullptr;
    UILib::Handle m_dialogBoxWindow = 0;
};
