#pragma once

#include <cstdint>

// What a saved game remembers of one level: two 32-bit words. Word 0 holds bit fields (bit 0 lowest):
// bit 0 solved; bits 1-2 the rating, 0 to 3 stars; bits 3-14 the number of solutions, 0 to 4095, which
// stays at 4095; bits 15-28 the best move count, 16383 for none; bits 29-31 unused. Word 1 is the best
// time in whole seconds, signed, 65535 for none.
class LevelRecord
{
public:
    static constexpr std::uint32_t NoMoves = 16383;
    static constexpr std::int32_t NoTime = 65535;
    static constexpr std::uint32_t MaxPlayCount = 4095;

    // A reset record: unsolved, no rating, no solutions, no best moves, no best time.
    LevelRecord() = default;
    LevelRecord(std::uint32_t flags, std::int32_t bestValue) : m_Flags(flags), m_BestValue(bestValue) {}

    // Bits 0 to 14 cleared, the best move count to none; the unused bits 29-31 stay. Word 1 to none.
    void Reset();

    bool IsSolved() const { return (m_Flags & SolvedBit) != 0; }
    std::uint32_t GetRating() const { return (m_Flags >> RatingShift) & 3u; }
    std::uint32_t GetPlayCount() const { return (m_Flags >> PlayCountShift) & MaxPlayCount; }
    std::uint32_t GetBestMoves() const { return (m_Flags >> BestMovesShift) & NoMoves; }
    // The best time in seconds; NoTime when none.
    std::int32_t GetBestValue() const { return m_BestValue; }

    // Sets the solved bit; the best move count becomes the smaller of the stored one and moves (moves
    // above 16383 count as 16383).
    void SetSolved(std::uint32_t moves);
    // The best time becomes seconds when that is smaller (signed comparison).
    void SetBestValue(std::int32_t seconds);
    // One more solution, unless the count is at 4095 already.
    void IncrementPlayCount();
    // The rating becomes stars when that is higher; stars above 3 count as 3.
    void RaiseRating(std::uint32_t stars);

    // The two words as stored.
    std::uint32_t GetFlags() const { return m_Flags; }

    bool operator==(const LevelRecord&) const = default;

private:
    static constexpr std::uint32_t SolvedBit = 1u;
    static constexpr unsigned RatingShift = 1;
    static constexpr unsigned PlayCountShift = 3;
    static constexpr unsigned BestMovesShift = 15;
    static constexpr std::uint32_t ResetMask = 0x7FFFu | (NoMoves << BestMovesShift);

    std::uint32_t m_Flags = NoMoves << BestMovesShift;
    std::int32_t m_BestValue = NoTime;
};

static_assert(sizeof(LevelRecord) == 8, "a level record is two 32-bit words");
