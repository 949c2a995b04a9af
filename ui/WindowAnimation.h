#pragma once

#include "ui/AnimationTrack.h"

#include <memory>
#include <string>
#include <vector>

class TiXmlElement;

namespace UILib
{

using CPropertyList = std::vector<BaseLib::CGenericProperty>;

// A named animation of one window: keyed tracks over its properties, played forward or backward at a
// speed, looped or stopping at its end. Every time change applies each bound track at the new time.
class CWindowAnimation
{
public:
    explicit CWindowAnimation(std::string name) : m_name(std::move(name)) {}

    const std::string& GetName() const { return m_name; }
    float GetTime() const { return m_time; }
    float GetLength() const { return m_length; }
    void SetLength(float length) { m_length = length; }
    bool GetLoop() const { return m_loop; }
    void SetLoop(bool loop) { m_loop = loop; }
    float GetSpeed() const { return m_speed; }
    void SetSpeed(float speed) { m_speed = speed; }
    bool IsPlaying() const { return m_playing; }
    bool IsReverse() const { return m_reverse; }

    // Playing from 0, or from the length when reverse; the speed is kept.
    void Start(bool reverse);
    // Looping: the remainder of t by the length (sign kept; a length of 0 stays at 0). Otherwise clamped
    // to the end it runs toward, stopping there. Then every bound track applies the time.
    void SetTime(float t);
    // SetTime(time + speed * elapsed), elapsed negated in reverse.
    void Advance(float elapsed);

    const std::vector<std::unique_ptr<CGenericAnimationTrack>>& GetTracks() const { return m_tracks; }
    CGenericAnimationTrack* FindTrack(const std::string& name) const;
    // The track of the property's name, made for its kind when missing; null when the kind has none.
    CGenericAnimationTrack* GetOrCreateTrack(const BaseLib::CGenericProperty& property);

private:
    std::vector<std::unique_ptr<CGenericAnimationTrack>> m_tracks;
    std::string m_name;
    float m_time = 0.0f;
    bool m_loop = false;
    bool m_playing = false;
    float m_length = 0.0f;
    float m_speed = 1.0f;
    bool m_reverse = false;
};

// The animations of one window, in order of creation; names compare as exact text.
class CWindowAnimationSet
{
public:
    CWindowAnimation* GetOrCreateAnimation(const std::string& name);
    CWindowAnimation* FindAnimation(const std::string& name) const;
    // Stores the speed and starts the animation when it exists.
    void Play(const std::string& name, float speed, bool reverse);
    bool IsPlaying(const std::string& name) const;
    bool IsAnyPlaying() const;
    // Advances every playing animation.
    void Update(float elapsed);
    // Binds every track again to the property of its name in list; a track whose name is not there
    // becomes unbound (and can be bound again by a later call).
    void BindTracks(const CPropertyList& list);
    void Clear() { m_animations.clear(); }
    const std::vector<std::unique_ptr<CWindowAnimation>>& GetAnimations() const { return m_animations; }
    std::size_t GetCount() const { return m_animations.size(); }

    // length := max(length, time); the key goes to the property's track (made when missing). False when
    // the property's kind has no track type.
    bool AddKey(CWindowAnimation& animation, float time, const BaseLib::CGenericProperty& property,
                const std::string& valueText);

    // Reads the "animation" children of a layout "window" element against the window's properties.
    void ReadXml(const TiXmlElement* windowElement, const CPropertyList& list);
    // Appends an "animation" element per animation to the window element.
    void WriteXml(TiXmlElement* windowElement) const;

private:
    std::vector<std::unique_ptr<CWindowAnimation>> m_animations;
};

} // namespace UILib
