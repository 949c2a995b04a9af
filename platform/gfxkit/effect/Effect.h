#pragma once

#include "platform/gfx/CountedObject.h"
#include "platform/gfx/Records.h"
#include "platform/gfx/Results.h"
#include "platform/gfxkit/effect/EffectPrograms.h"
#include "platform/gfxkit/effect/EffectRecords.h"
#include "platform/gfxkit/effect/EffectSyntax.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Platform::Gfx
{
class BaseTexture;
class Device;
class Shader;
} // namespace Platform::Gfx

namespace Platform::GfxKit
{

class EffectMessages;
class EffectPool;
class EffectStateManager;
struct ValueSlot;

// An effect made from an effect file: typed parameters with their values, techniques and passes.
// Counted like the device layer's objects (one reference at creation). Made by CreateEffect and
// CreateEffectFromFile (EffectCreation.h).
//
// Every operation that takes a parameter handle also takes a parameter name or a path of names,
// "[index]" and ".member" ("lights[1].colour"); SetTechnique and the technique queries also take a
// technique name. An unknown handle or name answers InvalidCall and changes nothing. A value
// operation whose type or size does not fit its parameter answers InvalidCall, changes nothing and
// traces once per parameter. Setters by handle allocate nothing (outside parameter-block recording).
class Effect : public Gfx::CountedObject
{
public:
    // --- Reflection ---

    Gfx::Result GetDesc(EffectDesc* desc) const;
    // Top-level parameter i (parent null) or member i of a struct parameter; null out of range.
    EffectHandle GetParameter(EffectHandle parent, std::uint32_t index);
    // A name or path below the parent (null: the top level), compared exactly; null when a step fails.
    EffectHandle GetParameterByName(EffectHandle parent, const char* name);
    // The first parameter (or member of the parent) whose semantic equals this one, letter case ignored.
    EffectHandle GetParameterBySemantic(EffectHandle parent, const char* semantic);
    // Element i of an array; its description is the element's (Elements 0, the array's name).
    EffectHandle GetParameterElement(EffectHandle parent, std::uint32_t index);
    // Parameters, members, elements and annotations.
    Gfx::Result GetParameterDesc(EffectHandle parameter, ParameterDesc* desc);
    // Annotations of parameters, techniques and passes.
    EffectHandle GetAnnotation(EffectHandle object, std::uint32_t index);
    EffectHandle GetAnnotationByName(EffectHandle object, const char* name);

    EffectHandle GetTechnique(std::uint32_t index);
    EffectHandle GetTechniqueByName(const char* name);
    Gfx::Result GetTechniqueDesc(EffectHandle technique, TechniqueDesc* desc);
    EffectHandle GetPass(EffectHandle technique, std::uint32_t index);
    Gfx::Result GetPassDesc(EffectHandle pass, PassDesc* desc);
    // The first technique after creation; null when the file has none.
    EffectHandle GetCurrentTechnique() const;
    // InvalidCall for an unknown technique, which keeps the current one.
    Gfx::Result SetTechnique(EffectHandle technique);

    // --- Values ---

    // Numeric parameters, members and elements: exactly their Bytes.
    Gfx::Result SetValue(EffectHandle parameter, const void* data, std::uint32_t bytes);
    // At least Bytes (a string: its text with the zero); copies that much.
    Gfx::Result GetValue(EffectHandle parameter, void* data, std::uint32_t bytes);
    // Numeric scalars, converted to their type (toward zero for int, non-zero for bool).
    Gfx::Result SetBool(EffectHandle parameter, bool value);
    Gfx::Result SetInt(EffectHandle parameter, std::int32_t value);
    Gfx::Result SetFloat(EffectHandle parameter, float value);
    Gfx::Result GetBool(EffectHandle parameter, bool* value);
    Gfx::Result GetInt(EffectHandle parameter, std::int32_t* value);
    Gfx::Result GetFloat(EffectHandle parameter, float* value);
    // Four floats; numeric scalars and vectors take their first Columns components.
    Gfx::Result SetVector(EffectHandle parameter, const float* vector);
    Gfx::Result GetVector(EffectHandle parameter, float* vector);
    // float4x4 parameters; the array form writes elements 0 .. count - 1, count at most Elements.
    Gfx::Result SetMatrix(EffectHandle parameter, const Gfx::Matrix* matrix);
    Gfx::Result GetMatrix(EffectHandle parameter, Gfx::Matrix* matrix);
    Gfx::Result SetMatrixArray(EffectHandle parameter, const Gfx::Matrix* matrices, std::uint32_t count);
    // String parameters and string annotations; the text lives as long as the effect.
    Gfx::Result GetString(EffectHandle parameter, const char** text);
    // Texture parameters (`texture` takes any kind, the others their own kind); holds one reference and
    // gives back the one it replaces. GetTexture adds one for the caller (null when none is set).
    Gfx::Result SetTexture(EffectHandle parameter, Gfx::BaseTexture* texture);
    Gfx::Result GetTexture(EffectHandle parameter, Gfx::BaseTexture** texture);

    // --- Parameter blocks ---

    // Every setter until EndParameterBlock takes effect and is recorded. InvalidCall while recording.
    Gfx::Result BeginParameterBlock();
    // The recorded block; null when none is being recorded.
    EffectHandle EndParameterBlock();
    // Sets the recorded values again in recorded order; InvalidCall for an unknown or deleted block.
    Gfx::Result ApplyParameterBlock(EffectHandle block);
    Gfx::Result DeleteParameterBlock(EffectHandle block);

    // --- Objects ---

    // Holds one reference to the manager (null: none) and gives back the old one.
    Gfx::Result SetStateManager(EffectStateManager* manager);
    // Adds a reference for the caller; null when none is set.
    Gfx::Result GetStateManager(EffectStateManager** manager);
    // Adds a reference; null when the effect was made without a pool.
    Gfx::Result GetPool(EffectPool** pool);

    // --- Running on the device ---
    //
    // Each call below goes to the state manager when one is set, else to the device. Begin, BeginPass,
    // CommitChanges, EndPass and End allocate nothing and look nothing up by name.

    // passes = the current technique's pass count. Without DoNotSaveState (flag 1) the device's value of
    // every program, render state, texture and sampler state any pass of the technique sets is read
    // now and put back by End. InvalidCall with passes = 0 without a current technique or a device, or
    // while begun.
    Gfx::Result Begin(std::uint32_t* passes, std::uint32_t flags);
    // Sets the pass's programs, its render states in file order, the textures and sampler states of the
    // samplers its programs use, then the constant registers to each program it sets. InvalidCall
    // outside Begin/End, for a pass past the count, or while a pass is open.
    Gfx::Result BeginPass(std::uint32_t pass);
    // Inside a pass: sends the registers and the textures again (values set since BeginPass reach the
    // device only this way).
    Gfx::Result CommitChanges();
    Gfx::Result EndPass();
    Gfx::Result End();
    // The effect has no device objects that a reset loses; both are counted for tests.
    Gfx::Result OnLostDevice();
    Gfx::Result OnResetDevice();
    std::uint32_t LostDeviceCalls() const { return lostCalls_; }
    std::uint32_t ResetDeviceCalls() const { return resetCalls_; }
    // Adds a reference; null for an effect made without a device.
    Gfx::Result GetDevice(Gfx::Device** device);

    // The register layout of the numeric parameters, and a program by name (no reference added; null
    // without a device or for an unknown name), for tools and tests.
    const ConstantLayout& Constants() const { return layout_; }
    Gfx::Shader* Program(const char* name, bool vertex) const;

    // Builds an effect from parsed declarations; null after reporting an error (a shared parameter that
    // differs from the pool's, too many parameters, registers or samplers, a program that does not
    // compile, a pass whose programs do not link). With a device the programs are compiled and every
    // pass's pair is link-checked; GLSL warnings become warnings. The pool's new shared values are
    // added only when the effect is made.
    static Effect* Make(EffectSource source, EffectPool* pool, Gfx::Device* device, EffectMessages& messages);

    const EffectSource& Source() const { return source_; }

private:
    struct Node
    {
        std::string name;
        std::string semantic;
        std::uint32_t cls = 0;
        std::uint32_t type = 0;
        std::uint32_t rows = 0;
        std::uint32_t columns = 0;
        std::uint32_t elements = 0;
        std::uint32_t members = 0;
        std::uint32_t flags = 0;
        std::uint32_t bytes = 0;
        std::uint32_t firstChild = 0; // elements of an array, else members of a struct
        std::uint32_t childCount = 0;
        std::uint32_t firstAnnotation = 0;
        std::uint32_t annotationCount = 0;
        ValueSlot* slot = nullptr;
        std::uint32_t offset = 0; // of the value within the slot's bytes
        int parameter = -1;       // the top-level declaration it belongs to; -1 for annotations
        bool annotation = false;
        bool hasBool = false;
        bool traced = false;
    };

    struct Technique
    {
        std::uint32_t firstPass = 0;
        std::uint32_t passCount = 0;
        std::uint32_t firstAnnotation = 0;
        std::uint32_t annotationCount = 0;
    };

    struct Pass
    {
        std::uint32_t technique = 0;
        std::uint32_t index = 0;
        std::uint32_t firstAnnotation = 0;
        std::uint32_t annotationCount = 0;
    };

    struct BlockRecord
    {
        std::uint32_t node = 0;
        std::vector<std::uint8_t> bytes;
        bool isTexture = false;
        Gfx::BaseTexture* texture = nullptr;
    };

    // Starts with a zero byte, so a block handle mistaken for a name reads as "" and matches nothing.
    // Deleted blocks keep their shell until the effect goes, so a handle is never reused.
    struct ParameterBlock
    {
        char empty = '\0';
        bool live = true;
        std::vector<BlockRecord> records;
    };

    // What a pass binds beyond its declaration: the samplers its programs use.
    struct PassRuntime
    {
        std::vector<std::uint32_t> samplers; // parameter indices
    };

    // The device values Begin saves for End, sized when the effect is made.
    struct SavedState
    {
        bool vertexProgram = false;
        bool pixelProgram = false;
        Gfx::Shader* vertex = nullptr;
        Gfx::Shader* pixel = nullptr;
        std::vector<std::uint32_t> states;
        std::vector<std::uint32_t> stateValues;
        std::vector<std::uint32_t> stages;
        std::vector<Gfx::BaseTexture*> textures;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> samplerStates; // stage, state
        std::vector<std::uint32_t> samplerValues;
    };

    Effect() = default;
    ~Effect() override;

    bool Build(EffectPool* pool, EffectMessages& messages);
    bool MakePrograms(Gfx::Device* device, EffectMessages& messages);
    void PrepareRuntime();
    void BindTextures(const PassRuntime& pass, bool withStates);
    void SendConstants();
    void ReleaseSaved(SavedState& saved);
    Gfx::Result CallSetVertexShader(Gfx::Shader* shader);
    Gfx::Result CallSetPixelShader(Gfx::Shader* shader);
    Gfx::Result CallSetRenderState(std::uint32_t state, std::uint32_t value);
    Gfx::Result CallSetTexture(std::uint32_t stage, Gfx::BaseTexture* texture);
    Gfx::Result CallSetSamplerState(std::uint32_t stage, std::uint32_t state, std::uint32_t value);
    std::uint32_t AddNode(Node node);
    void AddChildren(std::uint32_t index, const TypeInfo& type, std::uint32_t elements);
    std::uint32_t AddAnnotations(const std::vector<AnnotationDecl>& annotations);
    std::string Signature(const TypeInfo& type, std::uint32_t elements) const;

    // Handle ranges: nodes, then techniques, then passes.
    EffectHandle NodeHandle(std::uint32_t index) const { return handles_.get() + index; }
    EffectHandle TechniqueHandle(std::uint32_t index) const { return handles_.get() + nodes_.size() + index; }
    EffectHandle PassHandle(std::uint32_t index) const
    {
        return handles_.get() + nodes_.size() + techniques_.size() + index;
    }
    // The slot of a handle within the handle range, or -1 when the handle is not one of them.
    std::int64_t HandleIndex(EffectHandle handle) const;
    int NodeOf(EffectHandle handle, bool allowAnnotations);
    int TechniqueOf(EffectHandle handle);
    int PassOf(EffectHandle handle) const;
    int FindPath(int parent, const char* path);
    // A parameter for a setter, or -1 (InvalidCall); traces once when the pairing does not fit.
    bool Fits(std::uint32_t node, bool fits, const char* operation, const char* why);
    void Write(std::uint32_t node, const void* data, std::uint32_t bytes);
    void WriteTexture(std::uint32_t node, Gfx::BaseTexture* texture);
    void NormaliseBools(std::uint32_t node);
    static bool IsNumeric(const Node& node) { return node.cls <= 3 || node.cls == 5; }

    EffectSource source_;
    std::vector<Node> nodes_;
    std::vector<Technique> techniques_;
    std::vector<Pass> passes_;
    std::unique_ptr<char[]> handles_;
    std::uint32_t parameterCount_ = 0;
    std::vector<std::unique_ptr<ValueSlot>> ownSlots_;
    int currentTechnique_ = -1;
    std::vector<std::unique_ptr<ParameterBlock>> blocks_;
    ParameterBlock* recording_ = nullptr;
    EffectPool* pool_ = nullptr;
    EffectStateManager* stateManager_ = nullptr;

    // Running on the device.
    Gfx::Device* device_ = nullptr;
    std::vector<Gfx::Shader*> shaders_; // per program of the source
    ConstantLayout layout_;
    std::vector<int> stages_;  // per parameter: its texture stage, or -1
    std::vector<float> image_; // the register image, layout_.registers × 4 floats
    std::vector<PassRuntime> passRuntime_;
    std::vector<SavedState> saved_; // per technique
    std::vector<bool> kindTraced_;  // per parameter: a texture of another kind was traced
    int begunTechnique_ = -1;
    bool saving_ = false;
    int openPass_ = -1;
    std::uint32_t lostCalls_ = 0;
    std::uint32_t resetCalls_ = 0;
    bool lostBeginTraced_ = false;
};

} // namespace Platform::GfxKit
