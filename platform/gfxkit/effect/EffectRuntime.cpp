// The effect on the device: its programs built from the file, and the passes that set them.

#include "platform/gfx/Device.h"
#include "platform/gfx/Shader.h"
#include "platform/gfx/Texture.h"
#include "platform/gfx/Trace.h"
#include "platform/gfxkit/EffectStateManager.h"
#include "platform/gfxkit/effect/Effect.h"
#include "platform/gfxkit/effect/EffectMessages.h"
#include "platform/gfxkit/effect/EffectPool.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Platform::GfxKit
{
namespace
{

constexpr std::uint32_t MaxRegisters = 256;
constexpr std::uint32_t MaxSamplers = 16;

// Puts the compiler's lines "S:L(C): error: text" back on the effect's files; lines of another form
// are kept whole behind the main file's name. Returns whether an error was among them.
bool MapLog(const std::string& log, const std::vector<std::string>& files, EffectMessages& messages)
{
    bool error = false;
    std::size_t start = 0;
    while (start < log.size())
    {
        std::size_t end = log.find('\n', start);
        if (end == std::string::npos)
        {
            end = log.size();
        }
        std::string line = log.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        {
            line.pop_back();
        }
        if (line.empty())
        {
            continue;
        }
        unsigned file = 0;
        unsigned number = 0;
        unsigned column = 0;
        int consumed = 0;
        bool mapped = std::sscanf(line.c_str(), "%u:%u(%u): %n", &file, &number, &column, &consumed) == 3 &&
                      consumed > 0;
        if (mapped)
        {
            const SourcePlace place = DecodedLine(file, number);
            file = place.file;
            number = place.line;
            mapped = file < files.size();
        }
        const std::string rest = mapped ? line.substr(static_cast<std::size_t>(consumed)) : line;
        const bool isWarning = rest.rfind("warning: ", 0) == 0;
        const bool isError = !isWarning;
        if (mapped && (rest.rfind("error: ", 0) == 0 || isWarning))
        {
            const std::string text = rest.substr(isWarning ? 9 : 7);
            if (isWarning)
            {
                messages.Warning(files[file], number, text);
            }
            else
            {
                messages.Error(files[file], number, text);
            }
        }
        else
        {
            messages.Raw(files.front() + ": " + line, isError);
        }
        error = error || isError;
    }
    return error;
}

std::string OneLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
    {
        text.pop_back();
    }
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

bool SamplerFits(std::uint32_t samplerType, Gfx::BaseTexture* texture)
{
    if (!texture)
    {
        return true;
    }
    if (samplerType == ParameterType::Sampler3D)
    {
        return dynamic_cast<Gfx::VolumeTexture*>(texture) != nullptr;
    }
    if (samplerType == ParameterType::SamplerCube)
    {
        return dynamic_cast<Gfx::CubeTexture*>(texture) != nullptr;
    }
    return dynamic_cast<Gfx::Texture*>(texture) != nullptr;
}

} // namespace

bool Effect::MakePrograms(Gfx::Device* device, EffectMessages& messages)
{
    const std::string& mainFile = source_.files.front();
    if (layout_.registers > MaxRegisters)
    {
        messages.Error(mainFile, 1,
                       "the parameters need " + std::to_string(layout_.registers) +
                           " constant registers, more than 256");
        return false;
    }
    const auto samplers = static_cast<std::uint32_t>(
        std::count_if(stages_.begin(), stages_.end(), [](int s) { return s >= 0; }));
    if (samplers > MaxSamplers)
    {
        messages.Error(mainFile, 1, "the effect has " + std::to_string(samplers) + " samplers, more than 16");
        return false;
    }
    device_ = device;
    device_->AddRef();
    shaders_.assign(source_.programs.size(), nullptr);
    bool compiled = true;
    for (std::size_t i = 0; i < source_.programs.size(); ++i)
    {
        const ProgramDecl& program = source_.programs[i];
        const std::string text = GenerateProgramText(source_, layout_, stages_, program);
        std::string log;
        const Gfx::Result result = program.vertex
                                       ? device->CreateVertexShader(text.c_str(), &shaders_[i], &log)
                                       : device->CreatePixelShader(text.c_str(), &shaders_[i], &log);
        const bool logError = MapLog(log, source_.files, messages);
        if (Gfx::Failed(result))
        {
            if (!logError)
            {
                messages.Error(source_.files[program.place.file], program.place.line,
                               "program " + program.name + " does not compile");
            }
            compiled = false;
        }
    }
    if (!compiled)
    {
        return false;
    }
    for (const TechniqueDecl& technique : source_.techniques)
    {
        for (const PassDecl& pass : technique.passes)
        {
            if (pass.vertexProgram < 0 || pass.fragmentProgram < 0)
            {
                continue;
            }
            std::string log;
            if (Gfx::Failed(device->CheckProgramLink(shaders_[static_cast<std::size_t>(pass.vertexProgram)],
                                                     shaders_[static_cast<std::size_t>(pass.fragmentProgram)],
                                                     &log)))
            {
                messages.Error(source_.files[pass.place.file], pass.place.line,
                               "the programs of pass " +
                                   (pass.name.empty() ? std::string("\"\"") : pass.name) +
                                   " do not link: " + OneLine(log));
                return false;
            }
        }
    }
    PrepareRuntime();
    return true;
}

void Effect::PrepareRuntime()
{
    image_.assign(static_cast<std::size_t>(layout_.registers) * 4, 0.0f);
    kindTraced_.assign(source_.parameters.size(), false);
    for (const TechniqueDecl& technique : source_.techniques)
    {
        SavedState saved;
        for (const PassDecl& pass : technique.passes)
        {
            PassRuntime runtime;
            for (std::size_t s = 0; s < source_.parameters.size(); ++s)
            {
                if (stages_[s] < 0)
                {
                    continue;
                }
                const std::string& name = source_.parameters[s].name;
                bool used = false;
                for (const int program : {pass.vertexProgram, pass.fragmentProgram})
                {
                    used =
                        used ||
                        (program >= 0 &&
                         MentionsName(source_.programs[static_cast<std::size_t>(program)].body.text, name));
                }
                for (const ProgramText& glsl : source_.glslBlocks)
                {
                    used = used || ((pass.vertexProgram >= 0 || pass.fragmentProgram >= 0) &&
                                    MentionsName(glsl.text, name));
                }
                if (!used)
                {
                    continue;
                }
                runtime.samplers.push_back(static_cast<std::uint32_t>(s));
                const auto stage = static_cast<std::uint32_t>(stages_[s]);
                if (std::find(saved.stages.begin(), saved.stages.end(), stage) == saved.stages.end())
                {
                    saved.stages.push_back(stage);
                }
                for (const SamplerStateDecl& state : source_.parameters[s].samplerStates)
                {
                    const std::pair<std::uint32_t, std::uint32_t> key{stage, state.state};
                    if (std::find(saved.samplerStates.begin(), saved.samplerStates.end(), key) ==
                        saved.samplerStates.end())
                    {
                        saved.samplerStates.push_back(key);
                    }
                }
            }
            passRuntime_.push_back(std::move(runtime));
            saved.vertexProgram = saved.vertexProgram || pass.setsVertexProgram;
            saved.pixelProgram = saved.pixelProgram || pass.setsFragmentProgram;
            for (const StateAssignment& state : pass.states)
            {
                if (std::find(saved.states.begin(), saved.states.end(), state.state) == saved.states.end())
                {
                    saved.states.push_back(state.state);
                }
            }
        }
        saved.stateValues.assign(saved.states.size(), 0);
        saved.textures.assign(saved.stages.size(), nullptr);
        saved.samplerValues.assign(saved.samplerStates.size(), 0);
        saved_.push_back(std::move(saved));
    }
}

Gfx::Shader* Effect::Program(const char* name, bool vertex) const
{
    for (std::size_t i = 0; i < source_.programs.size() && i < shaders_.size(); ++i)
    {
        if (name && source_.programs[i].vertex == vertex && source_.programs[i].name == name)
        {
            return shaders_[i];
        }
    }
    return nullptr;
}

Gfx::Result Effect::GetDevice(Gfx::Device** device)
{
    if (!device)
    {
        return Gfx::InvalidCall;
    }
    *device = device_;
    if (device_)
    {
        device_->AddRef();
    }
    return Gfx::Ok;
}

// --- Calls through the state manager, else the device ---

Gfx::Result Effect::CallSetVertexShader(Gfx::Shader* shader)
{
    return stateManager_ ? stateManager_->SetVertexShader(shader) : device_->SetVertexShader(shader);
}

Gfx::Result Effect::CallSetPixelShader(Gfx::Shader* shader)
{
    return stateManager_ ? stateManager_->SetPixelShader(shader) : device_->SetPixelShader(shader);
}

Gfx::Result Effect::CallSetRenderState(std::uint32_t state, std::uint32_t value)
{
    return stateManager_ ? stateManager_->SetRenderState(state, value)
                         : device_->SetRenderState(state, value);
}

Gfx::Result Effect::CallSetTexture(std::uint32_t stage, Gfx::BaseTexture* texture)
{
    return stateManager_ ? stateManager_->SetTexture(stage, texture) : device_->SetTexture(stage, texture);
}

Gfx::Result Effect::CallSetSamplerState(std::uint32_t stage, std::uint32_t state, std::uint32_t value)
{
    return stateManager_ ? stateManager_->SetSamplerState(stage, state, value)
                         : device_->SetSamplerState(stage, state, value);
}

// --- Passes ---

Gfx::Result Effect::Begin(std::uint32_t* passes, std::uint32_t flags)
{
    if (passes)
    {
        *passes = 0;
    }
    if (!passes || !device_ || currentTechnique_ < 0 || begunTechnique_ >= 0)
    {
        return Gfx::InvalidCall;
    }
    if (lostCalls_ > resetCalls_ && !lostBeginTraced_)
    {
        lostBeginTraced_ = true;
        Gfx::Trace("effect begun while its device is lost (OnLostDevice without OnResetDevice)");
    }
    begunTechnique_ = currentTechnique_;
    *passes = techniques_[static_cast<std::size_t>(begunTechnique_)].passCount;
    saving_ = (flags & DoNotSaveState) == 0;
    if (saving_)
    {
        SavedState& saved = saved_[static_cast<std::size_t>(begunTechnique_)];
        if (saved.vertexProgram)
        {
            device_->GetVertexShader(&saved.vertex);
        }
        if (saved.pixelProgram)
        {
            device_->GetPixelShader(&saved.pixel);
        }
        for (std::size_t i = 0; i < saved.states.size(); ++i)
        {
            device_->GetRenderState(saved.states[i], &saved.stateValues[i]);
        }
        for (std::size_t i = 0; i < saved.stages.size(); ++i)
        {
            device_->GetTexture(saved.stages[i], &saved.textures[i]);
        }
        for (std::size_t i = 0; i < saved.samplerStates.size(); ++i)
        {
            device_->GetSamplerState(saved.samplerStates[i].first, saved.samplerStates[i].second,
                                     &saved.samplerValues[i]);
        }
    }
    return Gfx::Ok;
}

void Effect::BindTextures(const PassRuntime& pass, bool withStates)
{
    for (const std::uint32_t sampler : pass.samplers)
    {
        const ParameterDecl& decl = source_.parameters[sampler];
        const auto stage = static_cast<std::uint32_t>(stages_[sampler]);
        Gfx::BaseTexture* texture = decl.samplerTexture >= 0
                                        ? nodes_[static_cast<std::size_t>(decl.samplerTexture)].slot->texture
                                        : nullptr;
        if (!SamplerFits(decl.type.type, texture))
        {
            if (!kindTraced_[sampler])
            {
                kindTraced_[sampler] = true;
                Gfx::Trace("effect sampler \"" + decl.name +
                           "\": its texture is of another kind, bound as none");
            }
            texture = nullptr;
        }
        CallSetTexture(stage, texture);
        if (withStates)
        {
            for (const SamplerStateDecl& state : decl.samplerStates)
            {
                CallSetSamplerState(stage, state.state, state.value);
            }
        }
    }
}

void Effect::SendConstants()
{
    const PassDecl& pass = source_.techniques[static_cast<std::size_t>(begunTechnique_)]
                               .passes[static_cast<std::size_t>(openPass_)];
    const bool vertex = pass.vertexProgram >= 0;
    const bool pixel = pass.fragmentProgram >= 0;
    if (!layout_.registers || (!vertex && !pixel))
    {
        return;
    }
    auto* image = reinterpret_cast<std::uint8_t*>(image_.data());
    for (std::uint32_t p = 0; p < parameterCount_; ++p)
    {
        const std::uint8_t* value = nodes_[p].slot->bytes.data();
        for (const ConstantCopy& copy : layout_.copies[p])
        {
            std::memcpy(image + copy.target, value + copy.source, copy.bytes);
        }
    }
    if (vertex)
    {
        stateManager_ ? stateManager_->SetVertexShaderConstantF(0, image_.data(), layout_.registers)
                      : device_->SetVertexShaderConstantF(0, image_.data(), layout_.registers);
    }
    if (pixel)
    {
        stateManager_ ? stateManager_->SetPixelShaderConstantF(0, image_.data(), layout_.registers)
                      : device_->SetPixelShaderConstantF(0, image_.data(), layout_.registers);
    }
}

Gfx::Result Effect::BeginPass(std::uint32_t index)
{
    if (begunTechnique_ < 0 || openPass_ >= 0 ||
        index >= techniques_[static_cast<std::size_t>(begunTechnique_)].passCount)
    {
        return Gfx::InvalidCall;
    }
    const Technique& technique = techniques_[static_cast<std::size_t>(begunTechnique_)];
    const PassDecl& pass = source_.techniques[static_cast<std::size_t>(begunTechnique_)].passes[index];
    openPass_ = static_cast<int>(index);
    if (pass.setsVertexProgram)
    {
        CallSetVertexShader(pass.vertexProgram >= 0 ? shaders_[static_cast<std::size_t>(pass.vertexProgram)]
                                                    : nullptr);
    }
    if (pass.setsFragmentProgram)
    {
        CallSetPixelShader(
            pass.fragmentProgram >= 0 ? shaders_[static_cast<std::size_t>(pass.fragmentProgram)] : nullptr);
    }
    for (const StateAssignment& state : pass.states)
    {
        std::uint32_t value = state.value;
        if (state.parameter >= 0)
        {
            std::memcpy(&value, nodes_[static_cast<std::size_t>(state.parameter)].slot->bytes.data(), 4);
        }
        CallSetRenderState(state.state, value);
    }
    BindTextures(passRuntime_[technique.firstPass + index], true);
    SendConstants();
    return Gfx::Ok;
}

Gfx::Result Effect::CommitChanges()
{
    if (openPass_ < 0)
    {
        return Gfx::InvalidCall;
    }
    const Technique& technique = techniques_[static_cast<std::size_t>(begunTechnique_)];
    BindTextures(passRuntime_[technique.firstPass + static_cast<std::uint32_t>(openPass_)], false);
    SendConstants();
    return Gfx::Ok;
}

Gfx::Result Effect::EndPass()
{
    if (openPass_ < 0)
    {
        return Gfx::InvalidCall;
    }
    openPass_ = -1;
    return Gfx::Ok;
}

void Effect::ReleaseSaved(SavedState& saved)
{
    for (Gfx::CountedObject* object :
         {static_cast<Gfx::CountedObject*>(saved.vertex), static_cast<Gfx::CountedObject*>(saved.pixel)})
    {
        if (object)
        {
            object->Release();
        }
    }
    saved.vertex = nullptr;
    saved.pixel = nullptr;
    for (Gfx::BaseTexture*& texture : saved.textures)
    {
        if (texture)
        {
            texture->Release();
        }
        texture = nullptr;
    }
}

Gfx::Result Effect::End()
{
    if (begunTechnique_ < 0)
    {
        return Gfx::InvalidCall;
    }
    openPass_ = -1;
    SavedState& saved = saved_[static_cast<std::size_t>(begunTechnique_)];
    if (saving_)
    {
        if (saved.vertexProgram)
        {
            CallSetVertexShader(saved.vertex);
        }
        if (saved.pixelProgram)
        {
            CallSetPixelShader(saved.pixel);
        }
        for (std::size_t i = 0; i < saved.states.size(); ++i)
        {
            CallSetRenderState(saved.states[i], saved.stateValues[i]);
        }
        for (std::size_t i = 0; i < saved.stages.size(); ++i)
        {
            CallSetTexture(saved.stages[i], saved.textures[i]);
        }
        for (std::size_t i = 0; i < saved.samplerStates.size(); ++i)
        {
            CallSetSamplerState(saved.samplerStates[i].first, saved.samplerStates[i].second,
                                saved.samplerValues[i]);
        }
        ReleaseSaved(saved);
    }
    begunTechnique_ = -1;
    saving_ = false;
    return Gfx::Ok;
}

Gfx::Result Effect::OnLostDevice()
{
    ++lostCalls_;
    return Gfx::Ok;
}

Gfx::Result Effect::OnResetDevice()
{
    ++resetCalls_;
    return Gfx::Ok;
}

} // namespace Platform::GfxKit
