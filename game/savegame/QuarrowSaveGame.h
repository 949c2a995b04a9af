#pragma once

#include "game/savegame/ProgressRecord.h"

#include <cstdint>
#include <string>

namespace BaseLib
{
class CArchive;
}

// A profile's options.
struct SaveGameOptions
{
    std::uint8_t music = 1;
    // The options screen's free-camera check box shows its opposite; the 3D puzzle screen hands it to
    // the game camera.
    std::uint8_t cameraFlag = 1;
    // Written by the 3D puzzle screen and handed back to the game camera.
    float cameraValue = 1.1f;

    bool operator==(const SaveGameOptions&) const = default;
};

// One player profile: a name, the options and the progress.
class CQuarrowSaveGame
{
public:
    // The longest name a file holds, in bytes; a longer one is written cut to this length.
    static constexpr std::int32_t MaxNameLength = 1024;

    // Reset: see Reset.
    CQuarrowSaveGame();
    CQuarrowSaveGame(const CQuarrowSaveGame&) = delete;
    CQuarrowSaveGame& operator=(const CQuarrowSaveGame&) = delete;

    // Default options, the progress reset, and the computer's name (empty when the system does not
    // tell it).
    virtual void Reset();
    // Copies name, options and progress of other.
    virtual void Assign(const CQuarrowSaveGame& other);
    // Writes or reads the profile by the archive's mode: the name (32-bit big-endian length, the bytes
    // without terminator, at most MaxNameLength), the music and camera flags (one byte each), the camera
    // value (little-endian float), the progress record. Reading takes a camera value that is not a finite
    // number as 1.1 and answers the record's read fault (the profile then partly read); data that ends early
    // shows in the archive's failure flag.
    virtual ProgressRecord::ReadFault Serialize(BaseLib::CArchive& archive);
    virtual ~CQuarrowSaveGame() = default;

    const std::string& GetName() const { return m_Name; }
    void SetName(const std::string& name) { m_Name = name; }
    SaveGameOptions& GetOptions() { return m_Options; }
    const SaveGameOptions& GetOptions() const { return m_Options; }
    ProgressRecord& GetProgress() { return m_Progress; }
    const ProgressRecord& GetProgress() const { return m_Progress; }

private:
    std::string m_Name;
    SaveGameOptions m_Options;
    ProgressRecord m_Progress;
};
