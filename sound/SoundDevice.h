#pragma once

#include "foundation/Vector.h"

#include <cstdint>

namespace SoundLib
{

class CVoice;

// What a device offers (all 32-bit): EAX version (0 none, 2 the EAX 2.0 listener properties), then
// hardware mixing buffers (all, static, streaming), hardware 3D buffers (all, static, streaming) and
// hardware memory in bytes.
struct SoundDeviceCaps
{
    std::uint32_t eaxVersion = 0;
    std::uint32_t maxHwMixingAllBuffers = 0;
    std::uint32_t maxHwMixingStaticBuffers = 0;
    std::uint32_t maxHwMixingStreamingBuffers = 0;
    std::uint32_t maxHw3DAllBuffers = 0;
    std::uint32_t maxHw3DStaticBuffers = 0;
    std::uint32_t maxHw3DStreamingBuffers = 0;
    std::uint32_t totalHwMemBytes = 0;
};

// Speaker modes in the device's own numbering.
enum SpeakerMode : int
{
    SpeakerMode51 = 0,
    SpeakerModeDirectOut = 1,
    SpeakerModeHeadphones = 2,
    SpeakerModeMono = 3,
    SpeakerModeQuad = 4,
    SpeakerModeStereo = 5,
    SpeakerModeSurround = 6,
    SpeakerMode71 = 7,
};

// An output device with a fixed set of voices and one or more listeners. Devices are numbered by the
// registry (CSoundDeviceRegistry), which ticks them with Update and destroys them at its own end.
// Listener vectors: the left-handed system, x right, y up, z forward.
class CSoundDevice
{
public:
    CSoundDevice() = default;
    CSoundDevice(const CSoundDevice&) = delete;
    CSoundDevice& operator=(const CSoundDevice&) = delete;

    virtual const char* GetName() = 0;
    // An invalid device is never registered.
    virtual bool IsValid() = 0;
    // One tick of the registry's clock (milliseconds): fades, streaming refills, 3D placement.
    virtual void Update(std::int64_t timeMs) = 0;
    // Null for an index outside 0..GetVoiceCount()-1.
    virtual CVoice* GetVoice(int index) = 0;
    virtual int GetVoiceCount() = 0;
    // The index of a voice for a new sound of that priority, or -1 when none may be taken.
    virtual int AllocateVoice(float priority) = 0;
    virtual bool SetListenerCount(int count) = 0;
    virtual int GetListenerCount() = 0;
    virtual bool SetListener(int index, const BaseLib::CVector3& position, const BaseLib::CVector3& front,
                             const BaseLib::CVector3& top, const BaseLib::CVector3& velocity) = 0;
    // SetListener(0, ...).
    virtual bool SetFirstListener(const BaseLib::CVector3& position, const BaseLib::CVector3& front,
                                  const BaseLib::CVector3& top, const BaseLib::CVector3& velocity);
    virtual BaseLib::CVector3 GetListenerPosition(int index) = 0;
    virtual BaseLib::CVector3 GetListenerFront(int index) = 0;
    virtual bool SetDistanceFactor(float metresPerUnit) = 0;
    virtual bool SetRolloffFactor(float factor) = 0;
    virtual void SetSpeakerMode(int mode) = 0;
    virtual int GetSpeakerMode() = 0;
    virtual int GetSpeakerCount() = 0;
    // EAX 2.0 environment numbers 1..25; any other value means 0 (generic).
    virtual bool SetEnvironment(int preset) = 0;
    virtual void ResetEnvironment() = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool IsEnabled() = 0;
    // Stop on every voice.
    virtual void StopAllVoices();
    // FadeOut on every voice, the seconds turned into milliseconds truncated toward zero.
    virtual void FadeOutAllVoices(float seconds);
    // No effect in any device.
    virtual void Reserved(int a, int b) = 0;
    virtual float GetMaxVolume() = 0;
    virtual const SoundDeviceCaps* GetCaps() = 0;
    // Unregisters the device when the registry (if it still exists) holds it.
    virtual ~CSoundDevice();
    // Deletes the device; the registry calls it at its destruction.
    virtual void Destroy() = 0;

    // Plays a file once (or looping) on a voice of this device, never in 3D: allocates a voice by
    // priority, loads the file, sets volume and looping and plays. The voice index, or -1 when no voice
    // was free or the file did not load (the voice is then left empty and free).
    int PlayOneShot(const char* fileName, float volume, float priority, bool looping);
};

} // namespace SoundLib
