#include "game/savegame/MapProgress.h"

#include "foundation/Archive.h"
#include "game/savegame/ArchiveWords.h"

#include <algorithm>
#include <cassert>

MapProgress::MapProgress()
{
    ResetMapProgress();
}

void MapProgress::ResetMapProgress()
{
    m_Open = 0;
    std::fill(std::begin(m_CellStates), std::end(m_CellStates), 0u);
    for (LevelRecord& record : m_Records)
    {
        record.Reset();
    }
    m_LevelCount = 0;
}

void MapProgress::SetOpen(bool open)
{
    m_Open = (m_Open & ~0xFFu) | (open ? 1u : 0u);
}

int MapProgress::GetUsedRecordCount() const
{
    return std::clamp(m_LevelCount, 0, RecordCount);
}

LevelRecord& MapProgress::GetLevelRecord(int index)
{
    assert(index >= 0 && index < RecordCount);
    return m_Records[index];
}

const LevelRecord& MapProgress::GetLevelRecord(int index) const
{
    assert(index >= 0 && index < RecordCount);
    return m_Records[index];
}

std::uint32_t MapProgress::GetCellState(int cell) const
{
    assert(cell >= 0 && cell < CellCount);
    return m_CellStates[cell];
}

void MapProgress::SetCellState(int cell, std::uint32_t state)
{
    assert(cell >= 0 && cell < CellCount);
    m_CellStates[cell] = state;
}

bool MapProgress::HasSolvedLevel() const
{
    return IsOpen() && std::any_of(m_Records, m_Records + GetUsedRecordCount(),
                                   [](const LevelRecord& record) { return record.IsSolved(); });
}

int MapProgress::CountStars() const
{
    int stars = 0;
    for (int i = 0; i < GetUsedRecordCount(); ++i)
    {
        stars += static_cast<int>(m_Records[i].GetRating());
    }
    return stars;
}

bool MapProgress::SerializeMapProgress(BaseLib::CArchive& archive, bool withCellStates)
{
    const bool saving = archive.IsSaving();
    std::int32_t count = saving ? std::max(m_LevelCount, 0) : m_LevelCount;
    archive.Serialize(count);
    if (!saving)
    {
        if (archive.HasFailed())
        {
            return true;
        }
        if (count < 0)
        {
            return false;
        }
        m_LevelCount = std::min(count, RecordCount);
    }
    const auto records = static_cast<std::size_t>(std::min(count, RecordCount));
    std::uint32_t words[2 * RecordCount];
    for (std::size_t i = 0; i < records; ++i)
    {
        words[2 * i] = m_Records[i].GetFlags();
        words[2 * i + 1] = static_cast<std::uint32_t>(m_Records[i].GetBestValue());
    }
    SerializeLittleEndianWords(archive, words, 2 * records);
    if (!saving && !archive.HasFailed())
    {
        for (std::size_t i = 0; i < records; ++i)
        {
            m_Records[i] = LevelRecord(words[2 * i], static_cast<std::int32_t>(words[2 * i + 1]));
        }
    }
    if (withCellStates)
    {
        SerializeLittleEndianWords(archive, m_CellStates, CellCount);
    }
    auto open = static_cast<std::uint8_t>(m_Open & 0xFFu);
    archive.Serialize(open);
    if (!saving && !archive.HasFailed())
    {
        m_Open = (m_Open & ~0xFFu) | open;
    }
    return true;
}
