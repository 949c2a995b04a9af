#pragma once

#include "tests/engine/EngineFixture.h"
#include "tests/platform/gfxkit/ImageFilesFixture.h"

#include "engine/DeviceStateMgr.h"
#include "engine/EngineController.h"
#include "foundation/ResourceRegistry.h"
#include "platform/gfxkit/TextureFiles.h"
#include "platform/os/MessageBox.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace EngineTesting
{

// An initialised engine over one 64 × 48 windowed head, a temporary folder behind the aliases
// "texture", "xfl-texture" and "media", and a message-box answerer that records each box and answers
// from a queue (as an unattended run would when the queue is empty).
class ResourceFixture : public EngineFixture
{
protected:
    void SetUp() override
    {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        // Capitals and a blank in the folder, as a user's game folder may have.
        const std::string name = "Quarrow Test-" + std::to_string(::getpid()) + "-" + test->name();
        folder = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        previousAnswerer = Platform::SetMessageBoxAnswerer(
            [this](const char* text, const char* caption, std::uint32_t style) {
                boxes.push_back(std::string(caption) + "|" + text);
                if (answers.empty())
                {
                    return Platform::UnattendedAnswer(style);
                }
                const int answer = answers.front();
                answers.pop_front();
                return answer;
            });
        MakeGraphics(simulated);
        UseHeads(1, headWidth, headHeight, true);
        ASSERT_TRUE(settings.CreateDevice(controller, reporter, graphics, &device));
        controller.InitEngine(device, graphics);
        for (const char* alias : {"texture", "xfl-texture", "media"})
        {
            controller.GetPathAliases().RegisterPathAlias(alias, folder.string());
        }
    }

    void TearDown() override
    {
        EngineFixture::TearDown();
        Platform::SetMessageBoxAnswerer(previousAnswerer);
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }

    void WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(folder / name, std::ios::binary) << bytes;
    }

    // The events the application sends around a reset, in its orders, with the device's reset between;
    // whileLost runs after the "devicelost" events.
    void LoseAndResetDevice(const std::function<void()>& whileLost = {})
    {
        // The heads let go of their swap chains first, as the application's OnDeviceLost does.
        for (Qen::CDisplayHead* head : controller.GetHeads())
        {
            head->AttachSwapChain(nullptr);
        }
        for (Qen::EngineRegistry registry :
             {Qen::TextureRegistry, Qen::IndexBufferRegistry, Qen::VertexBufferRegistry, Qen::SurfaceRegistry,
              Qen::MaterialRegistry})
        {
            controller.GetRegistry(registry)->SendEvent("devicelost");
        }
        controller.GetStateManager()->InvalidateCache();
        if (whileLost)
        {
            whileLost();
        }
        ASSERT_EQ(Ok, device->Reset(settings.records));
        for (std::uint32_t i = 0; i < controller.GetHeads().size(); ++i)
        {
            SwapChain* swapChain = nullptr;
            ASSERT_EQ(Ok, device->GetSwapChain(i, &swapChain));
            controller.GetHeads()[i]->AttachSwapChain(swapChain);
            swapChain->Release();
        }
        for (Qen::EngineRegistry registry :
             {Qen::TextureRegistry, Qen::SurfaceRegistry, Qen::IndexBufferRegistry, Qen::VertexBufferRegistry,
              Qen::MaterialRegistry})
        {
            controller.GetRegistry(registry)->SendEvent("devicereset");
        }
    }

    // Ends the scene; the back buffer's pixels, written as a picture when a name is given.
    std::vector<std::uint32_t> EndDrawing(const char* picture = nullptr)
    {
        EXPECT_EQ(Ok, device->EndScene());
        Surface* backBuffer = nullptr;
        EXPECT_EQ(Ok, device->GetBackBuffer(0, 0, 0, &backBuffer));
        std::vector<std::uint32_t> pixels;
        EXPECT_EQ(Ok, device->ReadPixels(backBuffer, pixels));
        if (picture != nullptr)
        {
            EXPECT_EQ(Ok, Platform::GfxKit::SaveSurfaceToFile(OutputPath(picture).c_str(),
                                                              Platform::GfxKit::ImageFileFormat::Png, backBuffer,
                                                              nullptr, nullptr));
        }
        backBuffer->Release();
        return pixels;
    }

    std::vector<SimulatedAdapter> simulated; // none: the real adapters
    int headWidth = 64;
    int headHeight = 48;
    std::filesystem::path folder;
    std::vector<std::string> boxes; // "caption|text"
    std::deque<int> answers;
    Platform::MessageBoxAnswerer previousAnswerer;
};

} // namespace EngineTesting
