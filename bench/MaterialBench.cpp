// Materials on a real device: Apply of a material of 10 rows whose parameter block is recorded (one
// replay per draw), and GetMaterialForEffectInstance for an effect that is already compiled (a clone of
// the registered material with the instance's values). Needs a display (run under xvfb-run).
#include "bench/BenchEngine.h"
#include "engine/EffectInstance.h"
#include "engine/EffectShader.h"
#include "engine/Material.h"
#include "engine/MaterialFactory.h"
#include "foundation/Helpers.h"
#include "platform/gfxkit/effect/Effect.h"
#include "platform/gfxkit/effect/EffectRecords.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{

BenchSupport::Engine& TheBenchEngine()
{
    static auto* engine = new BenchSupport::Engine("MaterialBench", 64, 48); // lives until the process ends
    return *engine;
}

// Ten material parameters: eight colours, a power and a count.
constexpr const char* kEffect = R"(
float4 c_vMaterialAmbient = {0.1, 0.1, 0.1, 1};
float4 c_vMaterialDiffuse = {1, 1, 1, 1};
float4 c_vMaterialSpecular = {1, 1, 1, 1};
float4 c_vMaterialEmissive = {0, 0, 0, 1};
float4 c_vTintA = {1, 0, 0, 1};
float4 c_vTintB = {0, 1, 0, 1};
float4 c_vTintC = {0, 0, 1, 1};
float4 c_vTintD = {1, 1, 0, 1};
float c_fSpecularPower = 16;
int c_iLayers = 2;
technique _staticmesh { pass p0 {} }
)";

// The effect file behind the alias "shader", written once into a folder of this process.
BaseLib::CResourcePtr<Qen::CMaterial>& Compiled()
{
    static BaseLib::CResourcePtr<Qen::CMaterial> material;
    if (!material)
    {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("quarrow-bench-material-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "bench.fx") << kEffect;
        Qen::CEngineController& controller = TheBenchEngine().controller;
        controller.GetPathAliases().RegisterPathAlias("shader", folder.string());
        controller.GetMaterialFactory()->GetMaterial("shader>bench.fx", material, false);
        std::filesystem::remove_all(folder);
        if (!material || material->GetEffectShader() == nullptr || material->GetParameterCount() != 10)
        {
            std::abort();
        }
    }
    return material;
}

void BM_ApplyRecordedBlock(benchmark::State& state)
{
    BaseLib::CResourcePtr<Qen::CMaterial> material;
    Qen::AssignTypedResource(material, Compiled()->Clone());
    if (material->GetEffectShader() != Compiled()->GetEffectShader())
    {
        std::abort();
    }
    material->Apply(); // records the block
    Platform::GfxKit::Effect* effect = material->GetEffectShader()->GetEffect();
    if (material->GetParameterBlock() == nullptr ||
        effect->ApplyParameterBlock(material->GetParameterBlock()) != Platform::Gfx::Ok)
    {
        std::abort();
    }
    for (auto _ : state)
    {
        material->Apply();
    }
    state.counters["rows"] = static_cast<double>(material->GetParameterCount());
}
BENCHMARK(BM_ApplyRecordedBlock);

void BM_MaterialForEffectInstance(benchmark::State& state)
{
    Compiled();
    Qen::EffectInstance instance;
    Qen::InitEffectInstance(instance);
    instance.pEffectFilename = BaseLib::StrDup("shader>bench.fx");
    const float colour[4] = {0.5f, 0.25f, 1.0f, 1.0f};
    for (const char* name : {"c_vMaterialAmbient", "c_vMaterialDiffuse", "c_vMaterialSpecular",
                             "c_vMaterialEmissive"})
    {
        Qen::EffectDefault* value = Qen::AppendEffectDefault(instance, name);
        value->Type = Platform::GfxKit::EffectDefaultType::Floats;
        Qen::SetEffectDefaultValue(*value, colour, sizeof colour);
    }
    Qen::CMaterialFactory* factory = TheBenchEngine().controller.GetMaterialFactory();
    for (auto _ : state)
    {
        BaseLib::CResourcePtr<Qen::CMaterial> clone;
        factory->GetMaterialForEffectInstance(instance, clone);
        benchmark::DoNotOptimize(clone.Get());
    }
    Qen::FreeEffectInstance(instance);
}
BENCHMARK(BM_MaterialForEffectInstance);

} // namespace
