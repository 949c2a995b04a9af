#pragma once

#include "platform/os/DebugOutput.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace UiTest
{

// A window whose class name is chosen by the test and that logs the messages it receives as
// "<name>:<code>".
class CTestWindow : public UILib::CWindow
{
public:
    explicit CTestWindow(const char* name = "", const char* className = "CTestWindow",
                         std::vector<std::string>* log = nullptr)
        : m_className(className), m_log(log)
    {
        SetName(name);
    }

    const char* GetClassName() const override { return m_className.c_str(); }

    bool OnMessage(const UILib::CWindowMessage& message) override
    {
        const std::string code(message.code, strnlen(message.code, 8));
        if (m_log != nullptr)
        {
            m_log->push_back(std::string(static_cast<const char*>(GetName())) + ":" + code);
        }
        received.push_back(message);
        if (onMessage && onMessage(message))
        {
            return true; // the window may be gone
        }
        if (consumed.count(code) != 0)
        {
            return true;
        }
        return CWindow::OnMessage(message);
    }

    // Codes this window handles (returns true for) without the base class.
    std::set<std::string> consumed;
    // Called first for every message; true means handled (and the window must not be touched again).
    std::function<bool(const UILib::CWindowMessage&)> onMessage;
    std::vector<UILib::CWindowMessage> received;

private:
    std::string m_className;
    std::vector<std::string>* m_log;
};

// A window manager for each test, shut down at its end.
class UiFixture : public ::testing::Test
{
protected:
    void TearDown() override { manager.reset(); }

    // The log entries whose code is one of codes.
    std::vector<std::string> LogOf(std::initializer_list<const char*> codes) const
    {
        std::vector<std::string> result;
        for (const std::string& entry : log)
        {
            for (const char* code : codes)
            {
                if (entry.substr(entry.find(':') + 1) == code)
                {
                    result.push_back(entry);
                }
            }
        }
        return result;
    }

    // A mouse message at a point, routed and sent as the translation does.
    void Mouse(const char* code, int x, int y, std::uint32_t modifiers = 0)
    {
        const UILib::CWindowMessage message(code, UILib::CWindowMessage::Positional | UILib::CWindowMessage::Input,
                                            UILib::CWindowMessage::PackPoint(x, y), modifiers);
        manager->SendMessage(message, manager->FindTarget(message));
    }
    void Key(const char* code, std::uint32_t key, std::uint32_t modifiers = 0)
    {
        const UILib::CWindowMessage message(code, UILib::CWindowMessage::Input, key, modifiers);
        manager->SendMessage(message, manager->FindTarget(message));
    }

    UiTest::CTestWindow* Child(UILib::CWindow* parent, const char* name, int x, int y, int width, int height)
    {
        auto* window = new CTestWindow(name, "CTestWindow", &log);
        window->SetPosition(x, y);
        window->SetSize(width, height);
        if (parent != nullptr)
        {
            EXPECT_TRUE(parent->AddChild(window->GetHandle()));
        }
        return window;
    }

    std::unique_ptr<UILib::CWindowManager> manager = std::make_unique<UILib::CWindowManager>();
    std::vector<std::string> log;
};

} // namespace UiTest
