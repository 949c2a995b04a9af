#pragma once

#include "foundation/Vector.h"

#include <functional>
#include <string>

namespace SoundLib
{

class C3DSound;
class CMultiChannelSound;

// One playing channel of a device: its loaded file, volume, pan, pitch, 3D parameters and fade.
// Values: volume in percent (0..100, 100 unattenuated), pan -1 (left) .. +1 (right), pitch a frequency
// factor (1.0 the recorded rate), positions and times in seconds, fade durations in milliseconds.
// A voice belongs to its device and lives as long as it; callers reach it by (device, index).
class CVoice
{
public:
    // Called when the voice is reset for a new file or deleted, so the user that held it forgets it.
    using OwnerCallback = std::function<void()>;

    CVoice() = default;
    // Calls the owner callback first, so no user keeps the index of a voice that is gone.
    virtual ~CVoice();
    CVoice(const CVoice&) = delete;
    CVoice& operator=(const CVoice&) = delete;

    // Starts or resumes playback; true when the voice plays (or the device is disabled).
    virtual bool Play() = 0;
    // Loads the sound's file as 3D and plays it at the position with the sound's values (volume, pitch,
    // priority, fade distances as minimum and maximum distance); false when the file does not load.
    virtual bool Play3D(C3DSound& sound, const BaseLib::CVector3& position, bool looping) = 0;
    // Loads the sound's file and plays it with the sound's volume, pitch and priority.
    virtual bool Play2D(CMultiChannelSound& sound, bool looping) = 0;
    // Resets the voice and loads a file (".wav", ".wave" or ".ogg"); a 3D voice needs a mono file.
    virtual bool Load(const std::string& fileName, bool is3D) = 0;
    virtual std::string GetFileName() const = 0;
    virtual void Pause() = 0;
    // Stops and rewinds.
    virtual void Stop() = 0;
    virtual bool IsPlaying() = 0;
    virtual bool IsPaused() = 0;
    virtual void SetLooping(bool looping) = 0;
    virtual bool GetLooping() = 0;
    virtual bool IsStreaming() = 0;
    // SetPlayPosition(0.0).
    virtual void Rewind();
    virtual void SetPlayPosition(double seconds) = 0;
    virtual bool Is3D() = 0;
    virtual double GetPlayPosition() = 0;
    // GetLength() - GetPlayPosition().
    virtual double GetTimeLeft();
    virtual double GetLength() = 0;
    virtual void SetVolume(float percent) = 0;
    virtual float GetVolume() = 0;
    virtual void SetPan(float pan) = 0;
    virtual float GetPan() = 0;
    virtual void SetMinDistance(float distance) = 0;
    virtual float GetMinDistance() = 0;
    virtual void SetMaxDistance(float distance) = 0;
    virtual float GetMaxDistance() = 0;
    // Read by the device's allocation: a busy voice goes to a request of strictly higher priority.
    virtual void SetPriority(float priority) { m_priority = priority; }
    virtual float GetPriority() { return m_priority; }
    virtual void SetPitch(float factor) = 0;
    virtual float GetPitch() = 0;
    virtual void Set3DMode(int mode) = 0;
    virtual int Get3DMode() = 0;
    virtual bool SetPosition(const BaseLib::CVector3& position) = 0;
    virtual BaseLib::CVector3 GetPosition() = 0;
    // The position handed to the output (with several listeners, the combined one).
    virtual BaseLib::CVector3 GetAppliedPosition() = 0;
    virtual bool SetVelocity(const BaseLib::CVector3& velocity) = 0;
    virtual BaseLib::CVector3 GetVelocity() = 0;
    virtual bool SetOrientation(const BaseLib::CVector3& orientation) = 0;
    virtual BaseLib::CVector3 GetOrientation() = 0;
    virtual bool SetCone(float insideAngle, float outsideAngle, float outsideVolume) = 0;
    virtual void FadeTo(float targetVolume, int durationMs) = 0;
    // FadeTo(0.0, durationMs).
    virtual void FadeOut(int durationMs);
    // SetVolume(0.0), then FadeTo(targetVolume, durationMs).
    virtual void FadeIn(int durationMs, float targetVolume);
    virtual bool IsFading() = 0;
    // Not reserved, and not playing (a voice without a buffer never plays).
    virtual bool IsFree();

    // A reserved voice is never handed out by allocation.
    bool IsReserved() const { return m_reserved; }
    void Reserve() { m_reserved = true; }
    void Unreserve() { m_reserved = false; }

    // The callback that ReleaseOwner calls; an empty one clears it without calling anything.
    void SetOwnerCallback(OwnerCallback callback) { m_owner = std::move(callback); }
    template <typename T> void SetOwnerCallback(T* object, void (T::*member)())
    {
        m_owner = [object, member] { (object->*member)(); };
    }
    bool HasOwnerCallback() const { return static_cast<bool>(m_owner); }
    // Calls the owner callback when one is set, then clears it.
    void ReleaseOwner();

private:
    float m_priority = 0.0f;
    bool m_reserved = false;
    OwnerCallback m_owner;
};

} // namespace SoundLib
