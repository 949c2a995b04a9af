#pragma once

#include "framework/InputDevices.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace GameLib
{

// One parsed term of a binding text, such as "keyboard:return.down". Six 32-bit fields in this order.
struct CInputCondition
{
    std::int32_t device = 0;  // 0 keyboard, 1 mouse, 2..5 game controller 0..3
    std::int32_t kind = 0;    // see EInputConditionKind; 0 marks a term that did not parse
    std::int32_t button = -1; // keyboard: index in the key table; mouse, controller: button number
    std::int32_t axis = -1;
    float threshold = 0.0f; // of a comparison
    float value = 0.0f;     // what the term contributes to the action's analog value
};
static_assert(sizeof(CInputCondition) == 24);

enum EInputConditionKind : std::int32_t
{
    kConditionNone = 0,
    kConditionUp = 1,          // released in this frame
    kConditionDown = 2,        // pressed in this frame
    kConditionRepeatEvent = 3, // pressed, or a key-repeat step in this frame (keyboard only)
    kConditionAny = 4,         // any key or button of the device down
    kConditionHeld = 5,
    kConditionNotHeld = 6,
    kConditionGreater = 7,
    kConditionGreaterEqual = 8,
    kConditionEqual = 9,
    kConditionNotEqual = 10,
    kConditionLess = 11,
    kConditionLessEqual = 12,
    kConditionScrollLock = 13,
    kConditionCapsLock = 14,
    kConditionNumLock = 15,
    kConditionAnalog = 17, // axis without a state: always holds, contributes the axis reading
};

// All conditions of a binding must hold.
using TInputBinding = std::vector<CInputCondition>;

// A named action with its bindings; it holds when any binding holds.
class CInputAction
{
public:
    explicit CInputAction(std::string name) : m_name(std::move(name)) {}

    const std::string& GetName() const { return m_name; }
    const std::vector<TInputBinding>& GetBindings() const { return m_bindings; }
    std::vector<TInputBinding>& GetBindings() { return m_bindings; }

private:
    std::string m_name;
    std::vector<TInputBinding> m_bindings;
};

// One record of the key table: the names binding texts use for keyboard keys.
struct TInputKey
{
    std::int32_t index;
    const char* name;
    std::int32_t code; // Platform::Input::KeyCode, -1 when the name has no key
};
constexpr int kInputKeyCount = 126;
extern const TInputKey g_InputKeys[kInputKeyCount];

// Turns the device states into named actions in named contexts ("gui" for screens, "game" for the
// world's input channel). Bindings are texts of terms joined by "&&": "keyboard:return.down",
// "gamepad0:axis0.value > +0.5", "keyboard:s.held && keyboard:control.held"; a term names a device, an
// object and a state. Bad texts are refused with an "Error: InputManager Condition ..." trace line.
//
// Argument order (all are strings, so a swapped call compiles and binds nothing useful):
//   AddBinding(binding text, action, context)        ParseBinding(binding text, action, value, context)
//   queries (action, context)                        ClearPendingEvents(context)
// Callers that write (context, action, condition[, value]) mean AddBinding / ParseBinding in this order.
class CInputManager
{
public:
    CInputManager() = default;
    ~CInputManager();
    CInputManager(const CInputManager&) = delete;
    CInputManager& operator=(const CInputManager&) = delete;

    // The wrappers of the engine's devices: the keyboard always (without a device it reports nothing), the
    // mouse only when there is one, one wrapper per controller in the engine's order. Not owned devices.
    void CreateKeyboard(Platform::Input::Device* keyboard);
    void CreateMouse(Platform::Input::Device* mouse);
    void AddJoystick(Platform::Input::Device* controller);

    // Adds the binding to the action of the context, both made on first use; true when every term parsed.
    // The modifier words control, shift, alt and win stand for either side: "keyboard:control.held" adds
    // one binding per side, "keyboard:control.notheld" means neither side is down. A refused term ends the
    // binding there (the terms before it stay) and answers false.
    bool AddBinding(const std::string& binding, const std::string& action, const std::string& context);
    // As AddBinding, every term carrying the value (the action's analog value while the binding holds).
    bool ParseBinding(const std::string& binding, const std::string& action, float value,
                      const std::string& context);
    // Fills the condition from one term (spaces already removed); its kind stays 0 when refused.
    void ParseCondition(CInputCondition& condition, const std::string& text, float value) const;

    // Once per frame: polls the keyboard with the step (seconds), the mouse and the controllers, then adds
    // every action's events to its pending count.
    void Update(float timeStep);

    // True when the action has a pending event; consume takes one.
    bool IsActionTriggered(const std::string& action, const std::string& context, bool consume);
    bool ConsumeActionEvent(const std::string& action, const std::string& context);
    // Whether the action holds now; pending count and value untouched.
    bool IsActionActive(const std::string& action, const std::string& context) const;
    // The value of the last update in which the action counted events; 0 for an unknown action.
    float GetActionValue(const std::string& action, const std::string& context) const;
    void ClearPendingEvents(const std::string& context);

    // The action, or null; nothing is created.
    const CInputAction* FindAction(const std::string& action, const std::string& context) const;
    bool HasContext(const std::string& context) const { return m_contexts.count(context) != 0; }

    const CKeyboardDevice* GetKeyboard() const { return m_keyboard.get(); }

private:
    struct TActionEntry
    {
        std::unique_ptr<CInputAction> action;
        std::int32_t pending = 0;
        float value = 0.0f;
    };
    using TContext = std::map<std::string, TActionEntry>; // byte-wise name order

    // Events of the condition in this frame; kLevel while it holds continuously.
    std::int32_t EvaluateCondition(const CInputCondition& condition) const;
    float EvaluateConditionValue(const CInputCondition& condition) const;
    void EvaluateAction(const CInputAction& action, std::int32_t& count, float& value) const;
    std::int32_t CountRepeats(float heldTime) const;
    const TActionEntry* FindEntry(const std::string& action, const std::string& context) const;

    std::unique_ptr<CKeyboardDevice> m_keyboard;
    std::unique_ptr<CMouseDevice> m_mouse;
    std::vector<std::unique_ptr<CJoystickDevice>> m_joysticks;
    float m_timeStep = 0.0f; // of the last update
    float m_repeatDelay = 0.25f;
    float m_repeatInterval = 0.05f;
    std::map<std::string, TContext> m_contexts; // byte-wise name order
};

} // namespace GameLib
