#pragma once

#include "foundation/Vector.h"

#include <string>

class TiXmlElement;

namespace SoundLib
{

class CVoice;

// The game's handle on one sound effect or music piece. It keeps its file and playing values, borrows a
// voice of device 0 while it plays and forwards every change to that voice; when another user takes the
// voice over, the voice calls DetachVoice and the sound holds none. Main thread only.
class CSound
{
public:
    CSound() = default;
    virtual ~CSound() = default;
    CSound(const CSound&) = delete;
    CSound& operator=(const CSound&) = delete;

    // Whether the voice plays afterwards; false when no voice could be had.
    virtual bool Play() = 0;
    virtual void Stop() = 0;
    // Starts at volume 0 and rises to targetVolume over the seconds.
    virtual void FadeIn(float seconds, float targetVolume) = 0;
    virtual void FadeOut(float seconds) = 0;
    virtual void FadeTo(float targetVolume, float seconds) = 0;
    virtual bool IsPlaying() = 0;
    virtual void SetPaused(bool paused) = 0;
    virtual bool IsPaused() = 0;
    virtual void SetVolume(float percent) = 0;
    virtual float GetVolume() = 0;
    virtual void SetPan(float pan) = 0;
    virtual float GetPan() = 0;
    virtual void SetPitch(float factor) = 0;
    virtual float GetPitch() = 0;
    // Forgets the held voice (the voice's owner callback).
    virtual void DetachVoice() {}
};

// A plain sound: its description is the child elements "file", "volume", "pitch", "priority" of an element.
class CMultiChannelSound : public CSound
{
public:
    CMultiChannelSound() = default;
    // Clears the held voice's owner callback without calling it: the voice plays on, unowned.
    ~CMultiChannelSound() override;

    bool Play() override;
    void Stop() override;
    void FadeIn(float seconds, float targetVolume) override;
    void FadeOut(float seconds) override;
    void FadeTo(float targetVolume, float seconds) override;
    bool IsPlaying() override;
    void SetPaused(bool paused) override;
    bool IsPaused() override;
    void SetVolume(float percent) override;
    float GetVolume() override { return m_volume; }
    void SetPan(float pan) override;
    float GetPan() override { return m_pan; }
    void SetPitch(float factor) override;
    float GetPitch() override { return m_pitch; }
    void DetachVoice() override { m_voiceIndex = -1; }

    virtual void SetLooping(bool looping);
    virtual bool GetLooping() { return m_looping; }
    virtual void SetPriority(float priority);
    virtual float GetPriority() { return m_priority; }
    // Stores the name; a held voice loads it at once (which detaches it from this sound).
    virtual void SetFile(const std::string& fileName);
    virtual std::string GetFile() { return m_fileName; }
    // Reads the description; an absent element changes nothing, an absent child gives "" or 0.0.
    // Values are stored, not forwarded to a held voice.
    virtual void Load(const TiXmlElement* element);
    // Appends the description's children; nothing for an absent element.
    virtual void Save(TiXmlElement* element);
    // Takes a voice of the device by priority and loads the file into it; the voice index or a negative
    // result (no voice, or the file did not load).
    virtual int AcquireVoice();

    int GetDeviceIndex() const { return m_deviceIndex; }
    int GetVoiceIndex() const { return m_voiceIndex; }

protected:
    // The held voice, or null when none is held or its device is gone.
    CVoice* HeldVoice();
    // AcquireVoice's steps with the 3D flag of the load.
    CVoice* Acquire(bool is3D);

    std::string m_fileName;
    float m_volume = 100.0f;
    float m_pitch = 1.0f;
    float m_pan = 0.0f;
    float m_priority = 0.0f;
    bool m_looping = false;
    int m_deviceIndex = 0;
    int m_voiceIndex = -1;
};

// A positional sound: plays in 3D at its position, fading between the minimum and maximum distance.
class C3DSound : public CMultiChannelSound
{
public:
    C3DSound() = default;

    void DetachVoice() override { m_voiceIndex = -1; }
    void SetFile(const std::string& fileName) override;
    // The base's description, then "minfadedistance", "maxfadedistance", "maxhearingdistance".
    void Load(const TiXmlElement* element) override;
    void Save(TiXmlElement* element) override;
    int AcquireVoice() override;

    virtual void SetPosition(const BaseLib::CVector3& position);
    virtual void SetMinFadeDistance(float distance);
    virtual float GetMinFadeDistance() { return m_minFadeDistance; }
    virtual void SetMaxFadeDistance(float distance);
    virtual float GetMaxFadeDistance() { return m_maxFadeDistance; }
    virtual void SetMaxHearingDistance(float distance) { m_maxHearingDistance = distance; }
    virtual float GetMaxHearingDistance() { return m_maxHearingDistance; }
    const BaseLib::CVector3& GetPosition() const { return m_position; }

private:
    BaseLib::CVector3 m_position;
    float m_minFadeDistance = 1.0f;
    float m_maxFadeDistance = 10000.0f;
    float m_maxHearingDistance = 10000.0f;
};

} // namespace SoundLib
