#pragma once

#include "framework/Delegate.h"

#include <tinyxml.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

// The interpreter of cut-scene scripts. A file's root "sequence" holds "scene" elements; each scene has
// "resources" (handed to resource commands when the scene is entered) and a "script" whose child
// elements run in document order, one frame at a time. Every element name is looked up in a registry:
// actions (run this frame; true = run again next frame), conditions (the children of waits and
// conditional switches) and resources. This class registers the control flow; derived players add
// their commands by registering further names (a name registered again replaces the first).
//
// Host order: construct, set the derived player's host objects, RegisterCommands, Load, Start, Update
// every frame until IsFinished, Shutdown, delete. A faulty script (bad XML, unknown names, switches in
// a circle, missing ids) is traced with the file and line and never crashes or hangs: one Update runs
// at most MaxStepsPerFrame elements and MaxSequenceSwitchesPerFrame file switches, then goes on in the
// next frame. Main thread only.
class CSequencePlayer
{
public:
    using ActionDelegate = GameLib::TResultDelegate<bool, const TiXmlElement*, double>;
    using ConditionDelegate = GameLib::TResultDelegate<bool, const TiXmlElement*>;
    using ResourceDelegate = GameLib::TDelegate<const TiXmlElement*>;

    static constexpr int MaxStepsPerFrame = 10000;
    static constexpr int MaxSequenceSwitchesPerFrame = 16;

    CSequencePlayer() = default;
    virtual ~CSequencePlayer() = default;
    CSequencePlayer(const CSequencePlayer&) = delete;
    CSequencePlayer& operator=(const CSequencePlayer&) = delete;

    // The control-flow actions; derived players call their base first.
    virtual void RegisterCommands();
    // Stop; derived players also free their windows.
    virtual void Shutdown();
    // Reads the file (UTF-8). False, with traces naming the file and the parser's error, when it cannot
    // be read or parsed; the player then has no scenes.
    virtual bool Load(const std::string& path);
    virtual void Unload();
    // Enters the first scene (finishes at once when there is none).
    virtual void Start();
    // Leaves the current scene and ends the sequence.
    virtual void Stop();
    // One frame of the script; seconds since the last frame.
    virtual void Update(double dt);
    virtual void OnSequenceStart() {}
    virtual void OnSequenceEnd() {}
    // Hands the scene's resources to their commands.
    virtual void OnSceneEnter();
    virtual void OnSceneLeave() {}

    void RegisterAction(const std::string& name, const ActionDelegate& action);
    void RegisterCondition(const std::string& name, const ConditionDelegate& condition);
    void RegisterResource(const std::string& name, const ResourceDelegate& resource);
    // The element's command, or null with a trace (once per element) naming the file and line.
    const ActionDelegate* FindAction(const TiXmlElement* element);
    const ConditionDelegate* FindCondition(const TiXmlElement* element);
    const ResourceDelegate* FindResource(const TiXmlElement* element);

    // No scene runs: before Start, after the last scene, after "endsequence".
    bool IsFinished() const { return m_scene == nullptr; }
    const std::string& GetFileName() const { return m_fileName; }
    // The current scene's "id" (empty without a scene).
    std::string GetSceneId() const;
    const TiXmlElement* GetCurrentElement() const { return m_element; }

    // Attribute readers with defaults ("%i" integers, "%f" floats, "true"/"yes"/"1" booleans in any case).
    static std::string GetAttribute(const TiXmlElement* element, const char* name, const std::string& fallback = "");
    static int GetIntAttribute(const TiXmlElement* element, const char* name, int fallback);
    static float GetFloatAttribute(const TiXmlElement* element, const char* name, float fallback);
    static bool GetBoolAttribute(const TiXmlElement* element, const char* name, bool fallback);

protected:
    // Leaves the current scene for the next one in document order (the first one when none runs).
    void NextScene();
    // Leaves the current scene for the first scene with this id; none ends the sequence.
    void SwitchToScene(const std::string& id);
    // After a finished element: a pending scene or sequence switch, else the next element.
    void Advance();
    // Evaluates a condition element; an unregistered one does not hold.
    bool Holds(const TiXmlElement* condition);
    // Traces the message, then "sequence <file>, line <row>", once per element.
    void TraceOnce(const TiXmlElement* element, const std::string& message);

private:
    bool WaitForAll(const TiXmlElement* element, double dt);
    bool WaitForAny(const TiXmlElement* element, double dt);
    bool WaitForever(const TiXmlElement* element, double dt);
    bool SwitchToSceneAction(const TiXmlElement* element, double dt);
    bool SwitchToSceneIfAll(const TiXmlElement* element, double dt);
    bool SwitchToSceneIfAny(const TiXmlElement* element, double dt);
    bool EndSequence(const TiXmlElement* element, double dt);
    bool SwitchToSequence(const TiXmlElement* element, double dt);

    static const TiXmlElement* FirstScriptElement(const TiXmlElement* scene);

    std::map<std::string, ResourceDelegate> m_resources;
    std::map<std::string, ActionDelegate> m_actions;
    std::map<std::string, ConditionDelegate> m_conditions;
    TiXmlDocument m_document;
    const TiXmlElement* m_root = nullptr;
    const TiXmlElement* m_scene = nullptr;
    const TiXmlElement* m_element = nullptr;
    std::optional<std::string> m_pendingScene;
    std::string m_pendingFile;
    std::string m_fileName;
    std::set<const TiXmlElement*> m_traced;
    int m_sequenceSwitches = 0;
};
