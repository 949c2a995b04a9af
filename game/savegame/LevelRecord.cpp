#include "game/savegame/LevelRecord.h"

#include <algorithm>

void LevelRecord::Reset()
{
    m_Flags = (m_Flags & ~ResetMask) | (NoMoves << BestMovesShift);
    m_BestValue = NoTime;
}

void LevelRecord::SetSolved(std::uint32_t moves)
{
    const std::uint32_t best = std::min(GetBestMoves(), std::min(moves, NoMoves));
    m_Flags = (m_Flags & ~(NoMoves << BestMovesShift)) | (best << BestMovesShift) | SolvedBit;
}

void LevelRecord::SetBestValue(std::int32_t seconds)
{
    m_BestValue = std::min(m_BestValue, seconds);
}

void LevelRecord::IncrementPlayCount()
{
    const std::uint32_t count = GetPlayCount();
    if (count < MaxPlayCount)
    {
        m_Flags = (m_Flags & ~(MaxPlayCount << PlayCountShift)) | ((count + 1) << PlayCountShift);
    }
}

void LevelRecord::RaiseRating(std::uint32_t stars)
{
    stars = std::min(stars, 3u);
    if (stars > GetRating())
    {
        m_Flags = (m_Flags & ~(3u << RatingShift)) | (stars << RatingShift);
    }
}
