#include "tools/mapeditor/MapWalkabilityDisplay.h"

#include "foundation/Color.h"
#include "foundation/Point.h"
#include "foundation/Rect.h"
#include "ui/DrawContext.h"
#include "ui/Font.h"
#include "ui/Visualization.h"
#include "ui/controls/Label.h"

#include <string>
#include <vector>

namespace
{

const BaseLib::CColor kConnection(0, 255, 0, 255);
const BaseLib::CColor kExit(255, 128, 128, 255);
const BaseLib::CColor kText(255, 255, 255, 255);
constexpr int kCentre = 32;
constexpr int kSize = 64;
// The middle of the edge each direction leads through.
const BaseLib::CPoint kEdgeMiddles[4] = {{32, 0}, {32, 64}, {64, 32}, {0, 32}};

} // namespace

CMapWalkabilityDisplay::CMapWalkabilityDisplay()
{
    SetTransparent(true);
}

CMapWalkabilityDisplay::~CMapWalkabilityDisplay() = default;

CMapWalkabilityDisplay* CMapWalkabilityDisplay::Create()
{
    return new CMapWalkabilityDisplay();
}

void CMapWalkabilityDisplay::SetCell(bool up, bool down, bool right, bool left, bool exit, bool pylon,
                                     std::int32_t treasure)
{
    const bool connections[4] = {up, down, right, left};
    bool changed = exit != m_exit || pylon != m_pylon || treasure != m_treasure;
    for (int direction = 0; direction < 4; ++direction)
    {
        changed = changed || connections[direction] != m_connections[direction];
    }
    if (!changed)
    {
        return;
    }
    for (int direction = 0; direction < 4; ++direction)
    {
        m_connections[direction] = connections[direction];
    }
    m_exit = exit;
    m_pylon = pylon;
    m_treasure = treasure;
    Invalidate(false);
}

std::string CMapWalkabilityDisplay::GetCaption() const
{
    std::string caption;
    if (m_pylon)
    {
        caption = "Pylon";
    }
    if (m_treasure > 0)
    {
        if (!caption.empty())
        {
            caption += "\n";
        }
        caption += std::to_string(m_treasure) + " stars";
    }
    return caption;
}

void CMapWalkabilityDisplay::Paint(UILib::CDrawContext& context)
{
    const BaseLib::CPoint centre(kCentre, kCentre);
    for (int direction = 0; direction < 4; ++direction)
    {
        if (m_connections[direction])
        {
            context.DrawLine(centre, kEdgeMiddles[direction], kConnection);
        }
    }
    if (m_exit)
    {
        context.DrawRectFrame(BaseLib::CRect(22, 22, 43, 43), kExit);
    }
    const std::string caption = GetCaption();
    if (caption.empty())
    {
        return;
    }
    UILib::CVisualization* visualization = UILib::VisualizationOf(*this);
    const BaseLib::CResourcePtr<UILib::CFont> font = visualization != nullptr ? visualization->GetFont(0)
                                                                             : BaseLib::CResourcePtr<UILib::CFont>();
    if (!font)
    {
        return;
    }
    // The canvas writes one line at a time: the lines are stacked and the block centred in the cell.
    std::vector<std::string> lines;
    for (std::size_t start = 0;;)
    {
        const std::size_t end = caption.find('\n', start);
        lines.push_back(caption.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
        {
            break;
        }
        start = end + 1;
    }
    const int lineHeight = font->GetHeight();
    int top = (kSize - lineHeight * static_cast<int>(lines.size())) / 2;
    for (const std::string& line : lines)
    {
        // Alignment 0 centres both ways.
        context.DrawText(font, BaseLib::CRect(0, top, kSize, top + lineHeight), 0, 0, BaseLib::CString(line.c_str()),
                         kText, 0);
        top += lineHeight;
    }
}
