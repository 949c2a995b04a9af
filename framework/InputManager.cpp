#include "framework/InputManager.h"

#include "foundation/Debug.h"
#include "platform/input/KeyCodes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace GameLib
{

namespace
{

using namespace Platform::Input;

// A condition that holds continuously; a binding counts it as one event per frame.
constexpr std::int32_t kLevel = std::numeric_limits<std::int32_t>::max();

} // namespace

const TInputKey g_InputKeys[kInputKeyCount] = {
    {0, "none", -1},
    {1, "lbutton", -1},
    {2, "rbutton", -1},
    {3, "mbutton", -1},
    {4, "backspace", KeyBackspace},
    {5, "tab", KeyTab},
    {6, "return", KeyReturn},
    {7, "lshift", KeyLeftShift},
    {8, "rshift", KeyRightShift},
    {9, "lcontrol", KeyLeftControl},
    {10, "rcontrol", KeyRightControl},
    {11, "menu", -1},
    {12, "pause", KeyPause},
    {13, "capslock", KeyCapsLock},
    {14, "escape", KeyEscape},
    {15, "space", KeySpace},
    {16, "pageup", KeyPageUp},
    {17, "pagedown", KeyPageDown},
    {18, "end", KeyEnd},
    {19, "home", KeyHome},
    {20, "left", KeyLeft},
    {21, "up", KeyUp},
    {22, "right", KeyRight},
    {23, "down", KeyDown},
    {24, "select", -1},
    {25, "print", KeyPrintScreen},
    {26, "execute", -1},
    {27, "snapshot", KeyPrintScreen},
    {28, "insert", KeyInsert},
    {29, "delete", KeyDelete},
    {30, "help", -1},
    {31, "1", Key1},
    {32, "2", Key2},
    {33, "3", Key3},
    {34, "4", Key4},
    {35, "5", Key5},
    {36, "6", Key6},
    {37, "7", Key7},
    {38, "8", Key8},
    {39, "9", Key9},
    {40, "0", Key0},
    {41, "a", KeyA},
    {42, "b", KeyB},
    {43, "c", KeyC},
    {44, "d", KeyD},
    {45, "e", KeyE},
    {46, "f", KeyF},
    {47, "g", KeyG},
    {48, "h", KeyH},
    {49, "i", KeyI},
    {50, "j", KeyJ},
    {51, "k", KeyK},
    {52, "l", KeyL},
    {53, "m", KeyM},
    {54, "n", KeyN},
    {55, "o", KeyO},
    {56, "p", KeyP},
    {57, "q", KeyQ},
    {58, "r", KeyR},
    {59, "s", KeyS},
    {60, "t", KeyT},
    {61, "u", KeyU},
    {62, "v", KeyV},
    {63, "w", KeyW},
    {64, "x", KeyX},
    {65, "y", KeyY},
    {66, "z", KeyZ},
    {67, "lwin", KeyLeftWin},
    {68, "rwin", KeyRightWin},
    {69, "apps", KeyApps},
    {70, "numpad0", KeyNumpad0},
    {71, "numpad1", KeyNumpad1},
    {72, "numpad2", KeyNumpad2},
    {73, "numpad3", KeyNumpad3},
    {74, "numpad4", KeyNumpad4},
    {75, "numpad5", KeyNumpad5},
    {76, "numpad6", KeyNumpad6},
    {77, "numpad7", KeyNumpad7},
    {78, "numpad8", KeyNumpad8},
    {79, "numpad9", KeyNumpad9},
    {80, "numpadstar", KeyNumpadStar},
    {81, "numpadplus", KeyNumpadPlus},
    {82, "separator", -1},
    {83, "numpadminus", KeyNumpadMinus},
    {84, "numpadperiod", KeyNumpadPeriod},
    {85, "numpadslash", KeyNumpadSlash},
    {86, "f1", KeyF1},
    {87, "f2", KeyF2},
    {88, "f3", KeyF3},
    {89, "f4", KeyF4},
    {90, "f5", KeyF5},
    {91, "f6", KeyF6},
    {92, "f7", KeyF7},
    {93, "f8", KeyF8},
    {94, "f9", KeyF9},
    {95, "f10", KeyF10},
    {96, "f11", KeyF11},
    {97, "f12", KeyF12},
    {98, "f13", KeyF13},
    {99, "f14", KeyF14},
    {100, "f15", KeyF15},
    {101, "f16", -1},
    {102, "f17", -1},
    {103, "f18", -1},
    {104, "f19", -1},
    {105, "f20", -1},
    {106, "f21", -1},
    {107, "f22", -1},
    {108, "f23", -1},
    {109, "f24", -1},
    {110, "numlock", KeyNumLock},
    {111, "scroll", KeyScrollLock},
    {112, "minus", KeyMinus},
    {113, "equals", KeyEquals},
    {114, "lbracket", KeyLeftBracket},
    {115, "rbracket", KeyRightBracket},
    {116, "semicolon", KeySemicolon},
    {117, "apostrophe", KeyApostrophe},
    {118, "grave", KeyGrave},
    {119, "backslash", KeyBackslash},
    {120, "comma", KeyComma},
    {121, "period", KeyPeriod},
    {122, "slash", KeySlash},
    {123, "lalt", KeyLeftAlt},
    {124, "numpadenter", KeyNumpadEnter},
    {125, "ralt", KeyRightAlt},
};

namespace
{

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    {
        text.replace(at, from.size(), to);
    }
    return text;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// The integer at the start of the text, 0 when there is none. Numbers beyond 32 bits are held at the
// nearest 32-bit value (they name no button or axis either way).
std::int32_t LeadingInteger(const std::string& text)
{
    const long long number = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long long>(number, std::numeric_limits<std::int32_t>::min(),
                                                           std::numeric_limits<std::int32_t>::max()));
}

// The decimal number at the start of the text (an optional sign first), 0 when there is none.
float LeadingNumber(const std::string& text)
{
    const char* begin = text.c_str();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
    {
        ++begin;
        if (begin != end && *begin == '-')
        {
            return 0.0f;
        }
    }
    float number = 0.0f;
    const auto [last, error] = std::from_chars(begin, end, number, std::chars_format::general);
    return error == std::errc{} ? number : 0.0f;
}

// The key table's index of a key name, -1 when there is none.
std::int32_t KeyIndexOf(const std::string& name)
{
    for (const TInputKey& key : g_InputKeys)
    {
        if (name == key.name)
        {
            return key.index;
        }
    }
    return -1;
}

bool Compare(std::int32_t kind, float value, float threshold)
{
    switch (kind)
    {
    case kConditionGreater:
        return value > threshold;
    case kConditionGreaterEqual:
        return value >= threshold;
    case kConditionEqual:
        return value == threshold;
    case kConditionNotEqual:
        return value != threshold;
    case kConditionLess:
        return value < threshold;
    case kConditionLessEqual:
        return value <= threshold;
    default:
        return false;
    }
}

bool IsComparison(std::int32_t kind)
{
    return kind >= kConditionGreater && kind <= kConditionLessEqual;
}

std::int32_t LevelIf(bool holds)
{
    return holds ? kLevel : 0;
}

} // namespace

CInputManager::~CInputManager()
{
    for (auto& [name, context] : m_contexts)
    {
        for (auto& [actionName, entry] : context)
        {
            entry.action.reset();
        }
    }
    m_joysticks.clear();
    m_mouse.reset();
    m_keyboard.reset();
    m_contexts.clear();
}

void CInputManager::CreateKeyboard(Device* keyboard)
{
    m_keyboard = std::make_unique<CKeyboardDevice>(keyboard);
}

void CInputManager::CreateMouse(Device* mouse)
{
    if (mouse != nullptr)
    {
        m_mouse = std::make_unique<CMouseDevice>(mouse);
    }
}

void CInputManager::AddJoystick(Device* controller)
{
    if (controller != nullptr)
    {
        m_joysticks.push_back(std::make_unique<CJoystickDevice>(controller));
    }
}

bool CInputManager::AddBinding(const std::string& binding, const std::string& action,
                               const std::string& context)
{
    return ParseBinding(binding, action, 0.0f, context);
}

bool CInputManager::ParseBinding(const std::string& binding, const std::string& action, float value,
                                 const std::string& context)
{
    std::string text = binding;
    for (const std::string modifier : {"control", "shift", "alt", "win"})
    {
        const std::string word = ":" + modifier + ".";
        if (text.find(word) == std::string::npos)
        {
            continue;
        }
        const std::string notHeld = "keyboard:" + modifier + ".notheld";
        if (text.find(notHeld) != std::string::npos)
        {
            text = ReplaceAll(text, notHeld,
                              "keyboard:r" + modifier + ".notheld && keyboard:l" + modifier + ".notheld");
            continue;
        }
        if (!ParseBinding(ReplaceAll(text, word, ":l" + modifier + "."), action, value, context))
        {
            return false;
        }
        return ParseBinding(ReplaceAll(binding, word, ":r" + modifier + "."), action, value, context);
    }

    TActionEntry& entry = m_contexts[context][action];
    if (!entry.action)
    {
        entry.action = std::make_unique<CInputAction>(action);
    }
    std::vector<TInputBinding>& bindings = entry.action->GetBindings();
    bindings.emplace_back();
    std::string rest;
    rest.reserve(text.size());
    for (char c : text)
    {
        if (c != ' ')
        {
            rest += c;
        }
    }
    while (!rest.empty())
    {
        const std::size_t split = rest.find("&&");
        const std::string term = rest.substr(0, split);
        rest = split == std::string::npos ? std::string() : rest.substr(split + 2);
        CInputCondition condition;
        ParseCondition(condition, term, value);
        if (condition.kind == kConditionNone)
        {
            return false;
        }
        bindings.back().push_back(condition);
    }
    return true;
}

void CInputManager::ParseCondition(CInputCondition& condition, const std::string& text, float value) const
{
    condition = CInputCondition{};
    condition.value = value;
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos)
    {
        return;
    }
    const char* term = text.c_str();
    const std::string deviceName = text.substr(0, colon);
    static const char* const kDevices[][2] = {{"keyboard", nullptr},     {"mouse", nullptr},
                                              {"joystick0", "gamepad0"}, {"joystick1", "gamepad1"},
                                              {"joystick2", "gamepad2"}, {"joystick3", "gamepad3"}};
    condition.device = -1;
    for (int d = 0; d < 6; ++d)
    {
        if (deviceName == kDevices[d][0] || (kDevices[d][1] != nullptr && deviceName == kDevices[d][1]))
        {
            condition.device = d;
        }
    }
    if (condition.device < 0)
    {
        condition.device = 0;
        BaseLib::DebugOutput(
            "Error: InputManager Condition '%s' - unknown device, must be 'keyboard', 'mouse', "
            "'gamepad0', 'joystick0' etc.\n",
            term);
        return;
    }

    const std::string rest = text.substr(colon + 1);
    const std::size_t dot = rest.find('.');
    const std::string object = rest.substr(0, dot);
    const std::string state = dot == std::string::npos ? std::string() : rest.substr(dot + 1);

    if (condition.device == 0)
    {
        if (object == "anykey" || object == "anybutton")
        {
            condition.kind = kConditionAny;
        }
        else if (object == "scrolllock")
        {
            condition.kind = kConditionScrollLock;
        }
        else if (object == "capslock")
        {
            condition.kind = kConditionCapsLock;
        }
        else if (object == "numlock")
        {
            condition.kind = kConditionNumLock;
        }
        else
        {
            const std::int32_t index = KeyIndexOf(object);
            if (index <= 0)
            {
                BaseLib::DebugOutput("Error: InputManager Condition '%s' - unknown keyboard key '%s'\n", term,
                                     object.c_str());
                return;
            }
            if (g_InputKeys[index].code < 0)
            {
                BaseLib::DebugOutput("Error: InputManager Condition '%s' - keyboard key '%s' does not have a "
                                     "directinput mapping\n",
                                     term, object.c_str());
                return;
            }
            condition.button = index;
        }
    }
    else
    {
        const bool mouse = condition.device == 1;
        static const char* const kControllerAxes[] = {"x", "y", "z", "rx", "ry", "rz", "slider1", "slider2"};
        if (StartsWith(object, "button"))
        {
            condition.button = LeadingInteger(object.substr(6));
        }
        else if (mouse && (object == "leftbutton" || object == "rightbutton" || object == "middlebutton"))
        {
            condition.button = object == "leftbutton" ? 0 : object == "rightbutton" ? 1 : 2;
        }
        else if (StartsWith(object, "axis"))
        {
            condition.axis = LeadingInteger(object.substr(4));
        }
        else if (object == "anykey" || object == "anybutton")
        {
            condition.kind = kConditionAny;
        }
        else
        {
            const int axes = mouse ? 3 : 8;
            static const char* const kMouseAxes[] = {"x", "y", "wheel"};
            for (int a = 0; a < axes; ++a)
            {
                if (object == (mouse ? kMouseAxes[a] : kControllerAxes[a]))
                {
                    condition.axis = a;
                }
            }
            if (condition.axis < 0)
            {
                if (mouse)
                {
                    BaseLib::DebugOutput(
                        "Error: InputManager Condition '%s' - '%s' is illegal for mouse device\n", term,
                        object.c_str());
                }
                else
                {
                    BaseLib::DebugOutput(
                        "Error: InputManager Condition '%s' - '%s' is not a valid object for gamepads\n",
                        term, object.c_str());
                }
                return;
            }
        }
    }

    static const char* const kStates[] = {"up", "down", "repeatevent", "held", "notheld"};
    static const std::int32_t kStateKinds[] = {kConditionUp, kConditionDown, kConditionRepeatEvent,
                                               kConditionHeld, kConditionNotHeld};
    for (int s = 0; s < 5; ++s)
    {
        if (state == kStates[s])
        {
            if (condition.button == -1)
            {
                // An "anykey", "anybutton" or lock term keeps its kind; an axis term stays refused.
                BaseLib::DebugOutput(
                    "Error: InputManager Condition '%s' - '%s' can only be used with buttons\n", term,
                    state.c_str());
                return;
            }
            condition.kind = kStateKinds[s];
            return;
        }
    }
    if (StartsWith(state, "value"))
    {
        if (condition.axis == -1)
        {
            BaseLib::DebugOutput("Error: InputManager Condition '%s' - 'value' can only be used with axis\n",
                                 term);
            condition.kind = kConditionNone;
            return;
        }
        const std::size_t length = state.size() > 6 && state[6] == '=' ? 2 : 1;
        const std::string op = state.substr(5, length);
        condition.threshold = LeadingNumber(state.substr(std::min(state.size(), 5 + length)));
        if (op == "=" || op == "==")
        {
            condition.kind = kConditionEqual;
        }
        else if (op == "<")
        {
            condition.kind = kConditionLess;
        }
        else if (op == ">")
        {
            condition.kind = kConditionGreater;
        }
        else if (op == "<=")
        {
            condition.kind = kConditionLessEqual;
        }
        else if (op == ">=")
        {
            condition.kind = kConditionGreaterEqual;
        }
        else if (op == "!=")
        {
            condition.kind = kConditionNotEqual;
        }
        else
        {
            BaseLib::DebugOutput(
                "Error: InputManager Condition '%s' - unknown comparison operator; must be <, >, "
                "<=, >=, == or !=\n",
                term);
            condition.kind = kConditionNone;
        }
        return;
    }
    if (!state.empty())
    {
        BaseLib::DebugOutput("Error: InputManager Condition '%s' - unknown state '%s'\n", term,
                             state.c_str());
        condition.kind = kConditionNone;
        return;
    }
    if (condition.kind == kConditionAny || condition.kind == kConditionScrollLock ||
        condition.kind == kConditionCapsLock || condition.kind == kConditionNumLock)
    {
        return;
    }
    if (condition.axis != -1)
    {
        condition.kind = kConditionAnalog;
        return;
    }
    BaseLib::DebugOutput(
        "Error: InputManager Condition '%s' - you must specify a state like for instance '.down' or '.up'\n",
        term);
}

std::int32_t CInputManager::CountRepeats(float heldTime) const
{
    if (heldTime < m_repeatDelay)
    {
        return 0;
    }
    // The repeat instants (delay + k × interval, k ≥ 1) that this update's step passed. A lower term below
    // zero counts as 0, so a long frame gives the instants it passed and the next frame none again.
    const double perSecond = 1.0 / m_repeatInterval;
    const double upper = std::trunc((static_cast<double>(heldTime) - m_repeatDelay) * perSecond);
    const double lowerTime = (static_cast<double>(heldTime) - m_repeatDelay - m_timeStep) * perSecond;
    const double lower = lowerTime < 0.0 ? 0.0 : std::trunc(lowerTime);
    return static_cast<std::int32_t>(upper - lower);
}

std::int32_t CInputManager::EvaluateCondition(const CInputCondition& condition) const
{
    const std::int32_t kind = condition.kind;
    if (kind == kConditionAnalog)
    {
        return 1;
    }
    if (condition.device == 0)
    {
        if (!m_keyboard)
        {
            return 0;
        }
        const CKeyboardDevice& keyboard = *m_keyboard;
        switch (kind)
        {
        case kConditionAny:
            return LevelIf(keyboard.IsAnyKeyDown());
        case kConditionScrollLock:
            return LevelIf(keyboard.IsScrollLockOn());
        case kConditionCapsLock:
            return LevelIf(keyboard.IsCapsLockOn());
        case kConditionNumLock:
            return LevelIf(keyboard.IsNumLockOn());
        case kConditionUp:
        case kConditionDown:
        case kConditionRepeatEvent:
        case kConditionHeld:
        case kConditionNotHeld:
            break;
        default:
            return 0;
        }
        if (condition.button < 0 || condition.button >= kInputKeyCount ||
            g_InputKeys[condition.button].code < 0)
        {
            return 0;
        }
        const auto key = static_cast<std::uint8_t>(g_InputKeys[condition.button].code);
        switch (kind)
        {
        case kConditionUp:
            return !keyboard.IsKeyDown(key) && keyboard.WasKeyDown(key) ? 1 : 0;
        case kConditionDown:
            return keyboard.WasKeyPressed(key) ? 1 : 0;
        case kConditionRepeatEvent:
            return keyboard.WasKeyPressed(key) ? 1 : CountRepeats(keyboard.GetHeldTime(key));
        case kConditionHeld:
            return LevelIf(keyboard.IsKeyDown(key));
        default:
            return LevelIf(!keyboard.IsKeyDown(key));
        }
    }
    if (condition.device == 1)
    {
        if (!m_mouse)
        {
            return 0;
        }
        const CMouseDevice& mouse = *m_mouse;
        if (kind == kConditionAny)
        {
            return LevelIf(mouse.IsAnyButtonDown());
        }
        if (IsComparison(kind))
        {
            return LevelIf(
                Compare(kind, static_cast<float>(mouse.GetAxis(condition.axis)), condition.threshold));
        }
        const std::int32_t button = condition.button;
        if (button < 0 || button >= mouse.GetButtonCount() || button >= 8)
        {
            return 0;
        }
        const TButtonPair& pair = mouse.GetButtonPair(button);
        const bool down = (mouse.GetState().buttons[button] & 0x80) != 0;
        switch (kind)
        {
        case kConditionUp:
            return pair.current == 0 && pair.previous == 1 ? 1 : 0;
        case kConditionDown:
            return pair.current == 1 && pair.previous == 0 ? 1 : 0;
        case kConditionHeld:
            return LevelIf(down);
        case kConditionNotHeld:
            return LevelIf(!down);
        default:
            return 0;
        }
    }
    const std::size_t index = static_cast<std::size_t>(condition.device - 2);
    if (index >= m_joysticks.size())
    {
        return 0;
    }
    const CJoystickDevice& pad = *m_joysticks[index];
    if (kind == kConditionAny)
    {
        return LevelIf(pad.IsAnyButtonDown());
    }
    if (IsComparison(kind))
    {
        return LevelIf(Compare(kind, pad.GetAxis(condition.axis), condition.threshold));
    }
    const std::int32_t button = condition.button;
    switch (kind)
    {
    case kConditionUp:
        return pad.WasButtonReleased(button) ? 1 : 0;
    case kConditionDown:
        return pad.WasButtonPressed(button) ? 1 : 0;
    case kConditionHeld:
    case kConditionNotHeld: {
        if (button < 0 || button >= 128)
        {
            return 0;
        }
        const bool down = (pad.GetState().buttons[button] & 0x80) != 0;
        return LevelIf(kind == kConditionHeld ? down : !down);
    }
    default:
        return 0;
    }
}

float CInputManager::EvaluateConditionValue(const CInputCondition& condition) const
{
    if (condition.axis == -1)
    {
        return condition.value;
    }
    if (condition.device == 0)
    {
        return 0.0f;
    }
    if (condition.device == 1)
    {
        return m_mouse ? static_cast<float>(m_mouse->GetAxis(condition.axis)) : 0.0f;
    }
    const std::size_t index = static_cast<std::size_t>(condition.device - 2);
    return index < m_joysticks.size() ? m_joysticks[index]->GetAxis(condition.axis) : 0.0f;
}

void CInputManager::EvaluateAction(const CInputAction& action, std::int32_t& count, float& value) const
{
    count = 0;
    value = 0.0f;
    for (const TInputBinding& binding : action.GetBindings())
    {
        if (binding.empty())
        {
            continue;
        }
        std::int32_t bindingCount = kLevel;
        float bindingValue = 0.0f;
        for (const CInputCondition& condition : binding)
        {
            const std::int32_t conditionCount = EvaluateCondition(condition);
            bindingCount = std::min(bindingCount, conditionCount);
            if (conditionCount > 0)
            {
                bindingValue = EvaluateConditionValue(condition);
            }
        }
        if (bindingCount == kLevel)
        {
            bindingCount = 1;
        }
        if (bindingCount > 0)
        {
            count += bindingCount;
            if (std::fabs(bindingValue) > std::fabs(value))
            {
                value = bindingValue;
            }
        }
    }
}

void CInputManager::Update(float timeStep)
{
    if (m_keyboard)
    {
        m_keyboard->Poll(timeStep);
    }
    if (m_mouse)
    {
        m_mouse->Poll();
    }
    for (const auto& pad : m_joysticks)
    {
        pad->Poll();
    }
    // Key repeats count the instants this update's step passed.
    m_timeStep = timeStep;
    for (auto& [contextName, context] : m_contexts)
    {
        for (auto& [actionName, entry] : context)
        {
            std::int32_t count = 0;
            float value = 0.0f;
            EvaluateAction(*entry.action, count, value);
            if (count > 0)
            {
                entry.pending += count;
                entry.value = value;
            }
        }
    }
}

const CInputManager::TActionEntry* CInputManager::FindEntry(const std::string& action,
                                                            const std::string& context) const
{
    const auto c = m_contexts.find(context);
    if (c == m_contexts.end())
    {
        return nullptr;
    }
    const auto a = c->second.find(action);
    return a == c->second.end() ? nullptr : &a->second;
}

const CInputAction* CInputManager::FindAction(const std::string& action, const std::string& context) const
{
    const TActionEntry* entry = FindEntry(action, context);
    return entry != nullptr ? entry->action.get() : nullptr;
}

bool CInputManager::IsActionTriggered(const std::string& action, const std::string& context, bool consume)
{
    auto* entry = const_cast<TActionEntry*>(FindEntry(action, context));
    if (entry == nullptr || entry->pending <= 0)
    {
        return false;
    }
    if (consume)
    {
        --entry->pending;
    }
    return true;
}

bool CInputManager::ConsumeActionEvent(const std::string& action, const std::string& context)
{
    return IsActionTriggered(action, context, true);
}

bool CInputManager::IsActionActive(const std::string& action, const std::string& context) const
{
    const TActionEntry* entry = FindEntry(action, context);
    if (entry == nullptr)
    {
        return false;
    }
    std::int32_t count = 0;
    float value = 0.0f;
    EvaluateAction(*entry->action, count, value);
    return count > 0;
}

float CInputManager::GetActionValue(const std::string& action, const std::string& context) const
{
    const TActionEntry* entry = FindEntry(action, context);
    return entry != nullptr ? entry->value : 0.0f;
}

void CInputManager::ClearPendingEvents(const std::string& context)
{
    const auto c = m_contexts.find(context);
    if (c == m_contexts.end())
    {
        return;
    }
    for (auto& [name, entry] : c->second)
    {
        entry.pending = 0;
    }
}

} // namespace GameLib
