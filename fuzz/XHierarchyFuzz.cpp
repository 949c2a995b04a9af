// The X-file hierarchy loader as the engine uses it: the whole load into frames and mesh containers on
// a real device (made once, on a small window of the display), every record the allocator is handed
// read through, then the hierarchy and its animation controller freed again.

#include "fuzz/FuzzSupport.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/os/Messages.h"
#include "platform/gfxkit/anim/AnimationController.h"
#include "platform/gfxkit/xfile/XFileHierarchy.h"
#include "platform/os/Window.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace
{

using namespace Platform::GfxKit;
using Platform::Gfx::OutOfMemory;
using Platform::Gfx::Result;

char* Copy(const char* text)
{
    if (text == nullptr)
    {
        return nullptr;
    }
    char* copy = new char[std::strlen(text) + 1];
    std::strcpy(copy, text);
    return copy;
}

// Keeps names, the mesh and the skin; reads every material, effect default and adjacency entry it is
// handed, so a record that is shorter than it says shows under the sanitizers.
class ReadingAllocator : public AllocateHierarchy
{
public:
    Result CreateFrame(const char* name, Frame** frame) override
    {
        *frame = new Frame();
        (*frame)->Name = Copy(name);
        return Platform::Gfx::Ok;
    }

    Result CreateMeshContainer(const char* name, const MeshData* meshData, const XFileMaterial* materials,
                               const EffectInstance* effects, std::uint32_t materialCount,
                               const std::uint32_t* adjacency, SkinInfo* skin, MeshContainer** out) override
    {
        if (meshData == nullptr || meshData->pMesh == nullptr)
        {
            std::abort();
        }
        std::size_t sum = 0;
        for (std::uint32_t i = 0; i < materialCount; ++i)
        {
            sum += materials[i].pTextureFilename != nullptr ? std::strlen(materials[i].pTextureFilename) : 0;
            sum += effects[i].pEffectFilename != nullptr ? std::strlen(effects[i].pEffectFilename) : 0;
            for (std::uint32_t d = 0; d < effects[i].NumDefaults; ++d)
            {
                const EffectDefault& value = effects[i].pDefaults[d];
                sum += value.pParamName != nullptr ? std::strlen(value.pParamName) : 0;
                const auto* bytes = static_cast<const std::uint8_t*>(value.pValue);
                for (std::uint32_t b = 0; b < value.NumBytes; ++b)
                {
                    sum += bytes[b];
                }
            }
        }
        const std::uint32_t faces = meshData->pMesh->GetNumFaces();
        for (std::uint32_t i = 0; i < faces * 3; ++i)
        {
            sum += adjacency[i];
        }
        volatile std::size_t keep = sum;
        (void)keep;
        auto* container = new MeshContainer();
        container->Name = Copy(name);
        container->MeshData = *meshData;
        meshData->pMesh->AddRef();
        container->pSkinInfo = skin;
        if (skin != nullptr)
        {
            skin->AddRef();
        }
        *out = container;
        return Platform::Gfx::Ok;
    }

    Result DestroyFrame(Frame* frame) override
    {
        delete[] frame->Name;
        delete frame;
        return Platform::Gfx::Ok;
    }

    Result DestroyMeshContainer(MeshContainer* container) override
    {
        delete[] container->Name;
        container->MeshData.pMesh->Release();
        if (container->pSkinInfo != nullptr)
        {
            container->pSkinInfo->Release();
        }
        delete container;
        return Platform::Gfx::Ok;
    }
};

// The process's one device: a graphics object, a 32 × 32 window and a device drawing into it.
Platform::Gfx::Device* Device()
{
    static Platform::Gfx::Device* device = [] {
        using namespace Platform;
        Gfx::Graphics* graphics = Gfx::CreateGraphics(32);
        if (graphics == nullptr)
        {
            return static_cast<Gfx::Device*>(nullptr);
        }
        WindowClass record;
        record.procedure = &DefWindowProcA;
        record.className = "QuarrowFuzz";
        RegisterClassExA(&record);
        WindowHandle window = CreateWindowExA(0, "QuarrowFuzz", "QuarrowFuzz", WS_OVERLAPPEDWINDOW, 0, 0, 32, 32,
                                              GetDesktopWindow(), nullptr, nullptr, nullptr);
        Gfx::PresentParameters present;
        present.BackBufferWidth = 32;
        present.BackBufferHeight = 32;
        present.BackBufferFormat = Gfx::Format::X8R8G8B8;
        present.hDeviceWindow = window;
        present.Windowed = 1;
        present.EnableAutoDepthStencil = 1;
        present.AutoDepthStencilFormat = Gfx::Format::D24S8;
        Gfx::Device* made = nullptr;
        if (window == nullptr || Gfx::Failed(graphics->CreateDevice(0, Gfx::DeviceType::Hal, window,
                                                                     Gfx::CreateFlag::HardwareVertexProcessing,
                                                                     &present, &made)))
        {
            return static_cast<Gfx::Device*>(nullptr);
        }
        return made;
    }();
    return device;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    Platform::Gfx::Device* device = Device();
    if (device == nullptr)
    {
        // Without a display nothing is loaded; the replay test runs on the test display.
        std::abort();
    }
    const Fuzz::InputFile input(data, size, ".x");
    ReadingAllocator allocator;
    Frame* root = nullptr;
    AnimationController* controller = nullptr;
    const Result result = LoadMeshHierarchyFromX(input.Path().c_str(), 0, device, &allocator, nullptr, &root,
                                                 &controller);
    if (Platform::Gfx::Failed(result) && (root != nullptr || controller != nullptr))
    {
        std::abort();
    }
    if (root != nullptr)
    {
        FrameDestroy(root, &allocator);
    }
    if (controller != nullptr)
    {
        controller->Release();
    }
    return 0;
}
