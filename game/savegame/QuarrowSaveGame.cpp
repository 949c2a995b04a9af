#include "game/savegame/QuarrowSaveGame.h"

#include "foundation/Archive.h"
#include "platform/os/ComputerName.h"

#include <cmath>

CQuarrowSaveGame::CQuarrowSaveGame()
{
    CQuarrowSaveGame::Reset();
}

void CQuarrowSaveGame::Reset()
{
    m_Name.clear();
    m_Options = SaveGameOptions();
    m_Progress.ResetProgress();
    m_Name = Platform::GetComputerName();
}

void CQuarrowSaveGame::Assign(const CQuarrowSaveGame& other)
{
    m_Name = other.m_Name;
    m_Options = other.m_Options;
    m_Progress.CopyProgress(other.m_Progress);
}

ProgressRecord::ReadFault CQuarrowSaveGame::Serialize(BaseLib::CArchive& archive)
{
    if (archive.IsSaving() && m_Name.size() > static_cast<std::size_t>(MaxNameLength))
    {
        std::string cut = m_Name.substr(0, MaxNameLength);
        BaseLib::SerializeString(archive, cut);
    }
    else
    {
        BaseLib::SerializeString(archive, m_Name);
    }
    archive.Serialize(m_Options.music);
    archive.Serialize(m_Options.cameraFlag);
    archive.Serialize(m_Options.cameraValue);
    if (!archive.IsSaving() && !std::isfinite(m_Options.cameraValue))
    {
        m_Options.cameraValue = SaveGameOptions().cameraValue;
    }
    return m_Progress.SerializeProgress(archive);
}
