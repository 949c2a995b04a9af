#pragma once

#include "ui/Window.h"

#include <cstdint>

// A transparent 64 x 64 window over one map cell in the map editor: green lines from the centre to the
// edges the cell has passages through, a pink square for an exit, and "Pylon" and the treasure's stars
// as white text.
class CMapWalkabilityDisplay : public UILib::CWindow
{
public:
    // Directions of the connections, as the map's neighbour query counts them.
    static constexpr int Up = 0;
    static constexpr int Down = 1;
    static constexpr int Right = 2;
    static constexpr int Left = 3;

    CMapWalkabilityDisplay();
    ~CMapWalkabilityDisplay() override;
    // A new display, transparent, not yet added to any window.
    static CMapWalkabilityDisplay* Create();

    const char* GetClassName() const override { return "CMapWalkabilityDisplay"; }
    void Paint(UILib::CDrawContext& context) override;

    // Stores the values and repaints, but only when one of them differs from the stored ones.
    void SetCell(bool up, bool down, bool right, bool left, bool exit, bool pylon, std::int32_t treasure);

    bool HasConnection(int direction) const { return direction >= 0 && direction < 4 && m_connections[direction]; }
    bool IsExit() const { return m_exit; }
    bool IsPylon() const { return m_pylon; }
    std::int32_t GetTreasure() const { return m_treasure; }
    // The text painted in the middle: "Pylon", "%d stars", both on two lines, or empty.
    std::string GetCaption() const;

private:
    bool m_connections[4] = {};
    bool m_exit = false;
    bool m_pylon = false;
    std::int32_t m_treasure = 0;
};
