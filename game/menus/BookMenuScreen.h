#pragma once

#include "game/menus/GiantBookUIScreen.h"
#include "framework/StateMachine.h"
#include "ui/Window.h"
#include "ui/controls/Button.h"

#include <cstdint>
#include <string>

namespace UILib
{
class CPanel;
}

// The state skeleton of the menu screens that are pages of the book. A screen builds its layout once into
// a transparent panel as large as layer 0, puts the panel on its page and turns the book there while the
// picture fades in, and then waits for the player. Handlers never switch screens themselves: they only
// name the next screen; the switch comes after the fade-out (none between book screens, where the page
// turn is the only transition) and after the world has taken every command posted on the way.
//
// States, "Start" first: "Start" (builds the windows, the panel ignores the mouse), "FadeIn" (fader to
// 1.0 over 0.5 s, the page shown and turned to), "MainMenu" (the panel takes the mouse; the "quit"
// action; a next screen leads on), "FadeOut" (fader to 0.0 over 0.5 s unless a book screen follows; then
// the switch once the command queue is empty).
class CBookMenuScreen : public CGiantBookUIScreen
{
public:
    // ownName is the name the screen is registered under, page its page of the book, layoutFile the
    // layout loaded through the file translator.
    CBookMenuScreen(CQuarrowUI* userInterface, CQuarrowWorld* world, std::string ownName, std::int32_t page,
                    std::string layoutFile);

    // The current state's update.
    void Update() override;
    // The book's activation, the mouse cursor shown, "Start".
    void OnActivate() override;
    // The cursor hidden, then the book's deactivation.
    void OnDeactivate() override;
    // The world's scene is drawn behind the book.
    bool HidesScene() const override { return false; }

    const std::string& GetOwnName() const { return m_ownName; }
    std::int32_t GetPage() const { return m_page; }
    // The screen switched to once the fade-out ends; empty when none is asked for.
    const std::string& GetNextScreen() const { return m_nextScreen; }
    // The layout's panel; null until built and after the window system destroyed it.
    UILib::CWindow* GetPanel() const;
    const GameLib::CStateMachine& GetStates() const { return m_states; }

protected:
    // Destroys the panel with the layout.
    ~CBookMenuScreen() override;

    void SetNextScreen(const std::string& name) { m_nextScreen = name; }
    // Builds the windows once (nothing while the panel exists): a panel of colour (0, 0, 0, 0) at (0, 0)
    // of layer 0's root size, the layout loaded into it, the controls bound (BindControls), the next
    // frame's time step reset. A layout that does not load leaves the panel empty.
    void CreateWindows();
    // Looks up the screen's controls in the panel and sets their handlers.
    virtual void BindControls(UILib::CWindow& panel) = 0;
    // The "quit" action of context "gui" while the screen waits for the player; nothing here.
    virtual void OnQuitAction() {}
    // Whether the "quit" action of context "gui" was pressed since it was last asked (the event taken).
    bool ConsumeQuitAction();
    // The button among the panel's descendants with handler as its click delegate; a missing button (or a
    // window of another class) is traced, skipped and answers null.
    template <typename T>
    UILib::CButton* BindButton(UILib::CWindow& panel, const char* name, void (T::*handler)(UILib::CBasicButton*))
    {
        auto* button = static_cast<UILib::CButton*>(FindControl(panel, name, "CButton"));
        if (button != nullptr)
        {
            button->SetOnClick(UILib::CButtonCallback::Bind(static_cast<T*>(this), handler));
        }
        return button;
    }
    // Posts a world command; nothing without a world.
    void PostWorldCommand(const std::string& name, const std::string& argument);
    // The window among the panel's descendants with the name and, unless empty, the class; a missing one
    // is traced once per call with the layout file and the name, and answers null.
    UILib::CWindow* FindControl(UILib::CWindow& panel, const char* name, const char* expectedClass);
    // The player's input is taken: the screen waits in "MainMenu" and no next screen is chosen yet. A
    // second click in the frame of the first, or one during a fade, starts nothing.
    bool IsWaitingForPlayer() const;

    // Additions of a screen to the skeleton's states; nothing here.
    // "Start"'s update, after the windows are built and before the other steps: false keeps the screen in
    // "Start" for this frame.
    virtual bool OnStart() { return true; }
    // "FadeIn"'s enter, before the fader and the page.
    virtual void OnEnterFadeIn() {}
    // "MainMenu"'s enter, after the skeleton's steps.
    virtual void OnEnterMainMenu() {}
    // "MainMenu"'s update, before the "quit" action.
    virtual void OnUpdateMainMenu() {}
    // Destroys the panel (the window system frees it after its next pass) and forgets it, so the next
    // CreateWindows builds it anew.
    void DestroyPanel();
    // "Start"'s update: builds the windows, OnStart, the panel ignores the mouse and is activated,
    // "FadeIn". A screen that may leave before anything is built replaces it.
    virtual void UpdateStart();

private:
    void EnterFadeIn();
    void UpdateFadeIn();
    void EnterMainMenu();
    void UpdateMainMenu();
    void LeaveMainMenu();
    void EnterFadeOut();
    void UpdateFadeOut();

    std::string m_nextScreen;
    UILib::Handle m_panel = 0;
    GameLib::CStateMachine m_states;
    std::string m_ownName;
    std::int32_t m_page;
    std::string m_layoutFile;
};
