#pragma once

#include "platform/os/DebugOutput.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <memory>
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
        if (m_log != nullptr)
        {
            m_log->push_back(std::string(static_cast<const char*>(GetName())) + ":" +
                             std::string(message.code, strnlen(message.code, 8)));
        }
        return CWindow::OnMessage(message);
    }

private:
    std::string m_className;
    std::vector<std::string>* m_log;
};

// A window manager for each test, shut down at its end.
class UiFixture : public ::testing::Test
{
protected:
    void TearDown() override { manager.reset(); }

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
