#pragma once

#include "engine/DisplayHead.h"
#include "engine/QenApplication.h"
#include "foundation/Resource.h"
#include "foundation/ResourceRegistry.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/SwapChain.h"
#include "platform/os/MessageBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace EngineTesting
{

// A resource that writes every event it hears into a shared log as "event:name".
class RecordingResource : public BaseLib::CResource
{
public:
    RecordingResource(const std::string& name, std::vector<std::string>* log) : CResource(nullptr), m_log(log)
    {
        SetId(name);
    }
    std::uint32_t GetSize() const override { return 0; }
    void HandleEvent(std::string event) override { m_log->push_back(event + ":" + GetId()); }

private:
    std::vector<std::string>* m_log;
};

inline const char* const kRegistryNames[] = {"texture", "second",   "indexbuffer", "vertexbuffer",
                                             "surface", "material", "model",       "animation"};

// An application that keeps every base slot, records which ran, and whose Tick clears each head to its
// colour, presents it and quits after `quitAfter` frames. Hooks let a test act at the points it needs.
class TestApplication : public Qen::CQenApplication
{
public:
    explicit TestApplication(int heads = 1, int width = 160, int height = 120)
        : CQenApplication(Platform::GetModuleHandleA(nullptr))
    {
        m_displaySettings.headCount = heads;
        m_displaySettings.SetWindowSize(BaseLib::CSize(width, height));
    }

    ~TestApplication() override
    {
        for (RecordingResource* resource : resources)
        {
            delete resource;
        }
    }

    bool Init() override
    {
        calls.push_back("Init");
        initResult = CQenApplication::Init();
        return initResult;
    }
    void Shutdown() override
    {
        calls.push_back("Shutdown");
        CQenApplication::Shutdown();
    }
    void SelectAdapter() override
    {
        CQenApplication::SelectAdapter();
        if (onSelectAdapter)
        {
            onSelectAdapter(*this);
        }
    }
    // One recording resource in each registry.
    void CreateGameObjects() override
    {
        calls.push_back("CreateGameObjects");
        for (int i = 0; i < Qen::EngineRegistryCount; ++i)
        {
            auto* resource = new RecordingResource(kRegistryNames[i], &events);
            GetRegistry(static_cast<Qen::EngineRegistry>(i))->AddResource(resource);
            resources.push_back(resource);
        }
        if (onCreateGameObjects)
        {
            onCreateGameObjects(*this);
        }
    }
    void DestroyGameObjects() override { calls.push_back("DestroyGameObjects"); }
    void Run() override
    {
        calls.push_back("Run");
        CQenApplication::Run();
    }
    void OnDeviceLost() override
    {
        calls.push_back("OnDeviceLost");
        CQenApplication::OnDeviceLost();
        if (onDeviceLost)
        {
            onDeviceLost(*this);
        }
    }
    void OnDeviceReset() override
    {
        calls.push_back("OnDeviceReset");
        CQenApplication::OnDeviceReset();
    }
    void Frame(bool fromPaint) override
    {
        if (fromPaint)
        {
            calls.push_back("Frame(paint)");
        }
        CQenApplication::Frame(fromPaint);
    }
    bool HandleMessage(Platform::WindowHandle window, std::uint32_t message, Platform::MessageFirst first,
                       Platform::MessageSecond second) override
    {
        messages.push_back(message);
        return CQenApplication::HandleMessage(window, message, first, second);
    }
    void Tick() override
    {
        ++ticks;
        for (std::size_t i = 0; i < m_heads.size(); ++i)
        {
            ClearAndPresent(i, colours[i % colours.size()]);
        }
        if (onTick)
        {
            onTick(*this);
        }
        if (ticks >= quitAfter)
        {
            Quit();
        }
    }

    void ClearAndPresent(std::size_t head, std::uint32_t colour)
    {
        Platform::Gfx::SwapChain* swapChain = m_heads[head]->swapChain;
        if (swapChain == nullptr)
        {
            return;
        }
        Platform::Gfx::Surface* backBuffer = nullptr;
        if (Platform::Gfx::Succeeded(swapChain->GetBackBuffer(0, 0, &backBuffer)))
        {
            m_device->SetRenderTarget(0, backBuffer);
            m_device->Clear(0, nullptr, Platform::Gfx::ClearFlag::Target, colour, 1.0f, 0);
            backBuffer->Release();
        }
        swapChain->Present(nullptr, nullptr, nullptr, nullptr, 0);
    }

    Platform::WindowHandle Window(int head) { return m_displaySettings.records[head].hDeviceWindow; }
    void SetVersion31(bool on) { m_version31 = on; }

    std::vector<std::string> calls;
    std::vector<std::string> events;
    std::vector<std::uint32_t> messages;
    std::vector<RecordingResource*> resources;
    std::vector<std::uint32_t> colours{0xFF204080u, 0xFF408020u};
    int ticks = 0;
    int quitAfter = 3;
    bool initResult = false;
    std::function<void(TestApplication&)> onSelectAdapter;
    std::function<void(TestApplication&)> onCreateGameObjects;
    std::function<void(TestApplication&)> onTick;
    std::function<void(TestApplication&)> onDeviceLost;
};

class ApplicationTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (std::getenv("DISPLAY") == nullptr && std::getenv("SDL_VIDEODRIVER") == nullptr)
        {
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
        }
    }
    void SetUp() override
    {
        m_previousAnswerer = Platform::SetMessageBoxAnswerer([this](const char* text, const char* caption, std::uint32_t) {
            boxes.push_back(std::string(caption) + "|" + text);
            return Platform::MessageBoxAnswerOk;
        });
    }
    void TearDown() override { Platform::SetMessageBoxAnswerer(m_previousAnswerer); }

    std::vector<std::string> boxes;

private:
    Platform::MessageBoxAnswerer m_previousAnswerer;
};

} // namespace EngineTesting
