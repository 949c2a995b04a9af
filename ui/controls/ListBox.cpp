#include "ui/controls/ListBox.h"

#include "ui/DrawContext.h"
#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/ScrollBar.h"

#include <algorithm>
#include <cstring>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CString;

namespace
{

// The window system's key codes of "sKeyDown" used here.
enum : std::uint32_t
{
    KeyEscape = 266,
    KeyEnd = 270,
    KeyHome = 271,
    KeyUp = 273,
    KeyDown = 275,
};

constexpr std::int32_t RowFont = 3;
constexpr std::int32_t FrameStyle = 1;
constexpr std::int32_t FillInside = 2;
constexpr std::int32_t FillSelected = 4;
constexpr std::int32_t AlignLeft = 1;
constexpr std::int32_t AlignCentre = 0;
constexpr std::int32_t WheelNotch = 120;

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

CListBox::CListBox()
{
    SetSize(100, 150);
    ApplyVisualization();
}

CListBox::~CListBox()
{
    for (Item& item : m_items)
    {
        ReleaseData(item);
    }
    KillAutoScrollTimer();
}

CWindow* CListBox::Create()
{
    return new CListBox();
}

CScrollBar* CListBox::GetScrollBar() const
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr && m_scrollBar != 0 ? static_cast<CScrollBar*>(manager->Resolve(m_scrollBar))
                                                  : nullptr;
}

void CListBox::ReleaseData(Item& item)
{
    if (item.data != nullptr && !item.keepData)
    {
        item.data->Release();
    }
    item.data = nullptr;
}

void CListBox::KillAutoScrollTimer()
{
    if (m_autoScrollTimer != 0)
    {
        KillTimer(m_autoScrollTimer);
        m_autoScrollTimer = 0;
    }
}

// Metrics and layout

std::int32_t CListBox::FontRowHeight() const
{
    CVisualization* visualization = VisualizationOf(*this);
    if (visualization == nullptr)
    {
        return 0;
    }
    // The single-precision 1.1, as the rows have always been measured.
    return static_cast<std::int32_t>(static_cast<float>(visualization->GetFontMetrics(RowFont).height) * 1.1f);
}

void CListBox::MeasureRows()
{
    m_rowHeight = FontRowHeight();
    m_iconWidth = 0;
    for (const Item& item : m_items)
    {
        if (item.bitmap.IsValid())
        {
            m_iconWidth = std::max(m_iconWidth, item.bitmap.GetWidth());
            m_rowHeight = std::max(m_rowHeight, item.bitmap.GetHeight());
        }
    }
}

bool CListBox::ApplyVisualization()
{
    // The font's rows, still raised by the item icons: a new theme must not let tall icons overlap.
    MeasureRows();
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        m_borders = visualization->GetBorderWidths(FrameStyle);
    }
    OnSize();
    return CWindow::ApplyVisualization();
}

bool CListBox::OnSize()
{
    if (m_rowHeight <= 0)
    {
        return true;
    }
    const std::int32_t inner = InnerHeight();
    m_visibleRows = inner / m_rowHeight;
    CScrollBar* bar = GetScrollBar();
    if (m_scrollBarEnabled && m_visibleRows < GetItemCount())
    {
        if (bar == nullptr)
        {
            bar = new CScrollBar();
            bar->SetName("__scrollbar");
            m_scrollBar = bar->GetHandle();
            AddChild(m_scrollBar);
        }
        bar->SetSize(0, inner); // a vertical bar keeps its own width
        bar->SetPosition(m_width - m_borders.right - bar->GetSize().cx, m_borders.top);
        bar->SetRange(GetItemCount() - 1);
        bar->SetPageSize(m_visibleRows);
        bar->SetScrollPos(m_topIndex);
    }
    else if (bar != nullptr)
    {
        RemoveChild(m_scrollBar);
        bar->Delete();
        bar = nullptr;
        m_scrollBar = 0;
    }
    // No row may stay out of reach: without a bar everything fits from the top, with one the top index
    // never lies beyond the bar's last page.
    if (bar == nullptr)
    {
        m_topIndex = 0;
        m_rowOffset = 0;
    }
    else if (m_topIndex > GetItemCount() - m_visibleRows)
    {
        m_topIndex = std::max(GetItemCount() - m_visibleRows, 0);
        m_rowOffset = 0;
    }
    // Rows that became shorter (an icon or the font changed) leave at most the top index's row cut off;
    // a larger offset would hide the rows below it as well, the selected one among them.
    m_rowOffset = std::max(m_rowOffset, -m_rowHeight);
    return true;
}

void CListBox::SetScrollBarEnabled(bool enabled)
{
    m_scrollBarEnabled = enabled;
    OnSize();
}

// Items

std::int32_t CListBox::AddItem(const CString& text, CListItemData* data, const CBitmap& bitmap)
{
    const std::int32_t index = GetItemCount();
    Item item;
    item.text = text;
    item.bitmap = bitmap;
    item.data = data;
    m_items.push_back(std::move(item));
    if (bitmap.IsValid())
    {
        m_iconWidth = std::max(m_iconWidth, bitmap.GetWidth());
        m_rowHeight = std::max(m_rowHeight, bitmap.GetHeight());
    }
    OnSize();
    if (GetItemCount() == 1)
    {
        Select(0);
    }
    Invalidate(false);
    return index;
}

std::int32_t CListBox::AddItem(const CString& text, CListItemData* data)
{
    return AddItem(text, data, CBitmap());
}

std::int32_t CListBox::AddItem(const CString& text, const CBitmap& bitmap)
{
    return AddItem(text, nullptr, bitmap);
}

std::int32_t CListBox::AddItem(const CString& text)
{
    return AddItem(text, nullptr, CBitmap());
}

CString CListBox::GetItemText(std::int32_t index) const
{
    return IsValidIndex(index) ? m_items[static_cast<std::size_t>(index)].text : CString();
}

std::int32_t CListBox::FindItem(const CString& text) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i)
    {
        if (m_items[i].text == text)
        {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

void CListBox::SetItemText(std::int32_t index, const CString& text)
{
    if (IsValidIndex(index))
    {
        m_items[static_cast<std::size_t>(index)].text = text;
        Invalidate(false);
    }
}

void CListBox::SetItemBitmap(std::int32_t index, const CBitmap& bitmap)
{
    if (IsValidIndex(index))
    {
        m_items[static_cast<std::size_t>(index)].bitmap = bitmap;
        MeasureRows();
        OnSize();
    }
}

CListItemData* CListBox::GetItemData(std::int32_t index) const
{
    return IsValidIndex(index) ? m_items[static_cast<std::size_t>(index)].data : nullptr;
}

void CListBox::SetKeepItemData(std::int32_t index, bool keep)
{
    if (IsValidIndex(index))
    {
        m_items[static_cast<std::size_t>(index)].keepData = keep;
    }
}

bool CListBox::IsItemSelected(std::int32_t index) const
{
    return IsValidIndex(index) && m_items[static_cast<std::size_t>(index)].selected;
}

std::int32_t CListBox::RemoveItem(std::int32_t index)
{
    if (!IsValidIndex(index))
    {
        return GetItemCount();
    }
    DeselectItem(index);
    ReleaseData(m_items[static_cast<std::size_t>(index)]);
    m_items.erase(m_items.begin() + index);
    // The positions behind the removed item follow their items; caret and anchor stay on an item.
    const std::int32_t last = GetItemCount() - 1;
    for (std::int32_t* position : {&m_selected, &m_caret, &m_anchor})
    {
        if (*position > index)
        {
            --*position;
        }
    }
    m_caret = std::min(m_caret, last);
    m_anchor = std::min(m_anchor, last);
    MeasureRows();
    OnSize();
    Invalidate(false);
    return GetItemCount();
}

void CListBox::RemoveAllItems()
{
    m_caret = -1;
    m_anchor = -1;
    Select(-1);
    for (Item& item : m_items)
    {
        ReleaseData(item);
    }
    m_items.clear();
    OnSize();
    Invalidate(false);
}

void CListBox::SortItems()
{
    ClearSelection();
    std::stable_sort(m_items.begin(), m_items.end(), [](const Item& a, const Item& b) {
        // strcmp compares unsigned bytes; the empty text comes first.
        return std::strcmp(a.text, b.text) < 0;
    });
    Invalidate(false);
}

// Selection

bool CListBox::NotifyChange()
{
    if (!AreEventsSuppressed())
    {
        if (m_parent != 0)
        {
            SendNotification(CWindowMessage("LBoxChng", CWindowMessage::Input, 0, m_handle), m_parent);
        }
        if (m_onChange.IsSet())
        {
            m_onChange(this);
        }
    }
    return true;
}

bool CListBox::NotifyDoubleClick()
{
    if (!AreEventsSuppressed())
    {
        if (m_parent != 0)
        {
            SendNotification(CWindowMessage("LBoxDClk", CWindowMessage::Input, 0, m_handle), m_parent);
        }
        if (m_onDoubleClick.IsSet())
        {
            m_onDoubleClick(this);
        }
    }
    return true;
}

std::int32_t CListBox::Select(std::int32_t index)
{
    if (index < 0 || IsEmpty())
    {
        if (m_selected >= 0)
        {
            ClearSelection();
        }
        return m_selected;
    }
    index = std::min(index, GetItemCount() - 1);
    if (m_selectedCount == 1 && index == m_selected)
    {
        return m_selected;
    }
    ResetSelection();
    m_selected = index;
    m_items[static_cast<std::size_t>(index)].selected = true;
    m_selectedCount = 1;
    NotifyChange();
    EnsureSelectedVisible();
    Invalidate(false);
    return m_selected;
}

std::int32_t CListBox::AddToSelection(std::int32_t index, bool exclusive)
{
    if (exclusive || !m_multiSelect)
    {
        Select(index);
        return m_selectedCount;
    }
    if (!IsValidIndex(index))
    {
        return m_selectedCount;
    }
    Item& item = m_items[static_cast<std::size_t>(index)];
    if (!item.selected)
    {
        item.selected = true;
        ++m_selectedCount;
        m_selected = index;
        EnsureSelectedVisible();
        Invalidate(false);
        NotifyChange();
    }
    return m_selectedCount;
}

std::int32_t CListBox::DeselectItem(std::int32_t index)
{
    if (!IsValidIndex(index))
    {
        return m_selectedCount;
    }
    if (!m_multiSelect)
    {
        if (index == m_selected)
        {
            ClearSelection();
        }
        return m_selectedCount;
    }
    Item& item = m_items[static_cast<std::size_t>(index)];
    if (item.selected)
    {
        item.selected = false;
        --m_selectedCount;
        if (index == m_selected)
        {
            m_selected = -1;
            for (std::int32_t i = GetItemCount() - 1; i >= 0 && m_selectedCount > 0; --i)
            {
                if (m_items[static_cast<std::size_t>(i)].selected)
                {
                    m_selected = i;
                    break;
                }
            }
        }
        Invalidate(false);
        NotifyChange();
    }
    return m_selectedCount;
}

void CListBox::SelectRange(std::int32_t a, std::int32_t b)
{
    if (!m_multiSelect || IsEmpty())
    {
        return;
    }
    const std::int32_t last = GetItemCount() - 1;
    const std::int32_t lo = std::clamp(std::min(a, b), 0, last);
    const std::int32_t hi = std::clamp(std::max(a, b), 0, last);
    ResetSelection();
    for (std::int32_t i = lo; i <= hi; ++i)
    {
        m_items[static_cast<std::size_t>(i)].selected = true;
        ++m_selectedCount;
    }
    m_selected = hi;
    EnsureSelectedVisible();
    Invalidate(false);
    NotifyChange();
}

void CListBox::ResetSelection()
{
    if (m_selectedCount > 0)
    {
        if (m_multiSelect)
        {
            for (Item& item : m_items)
            {
                item.selected = false;
            }
        }
        else if (IsValidIndex(m_selected))
        {
            m_items[static_cast<std::size_t>(m_selected)].selected = false;
        }
        m_selectedCount = 0;
        m_selected = -1;
        Invalidate(false);
    }
}

void CListBox::ClearSelection()
{
    if (m_selectedCount > 0)
    {
        ResetSelection();
        NotifyChange();
    }
}

void CListBox::EnsureSelectedVisible()
{
    if (m_visibleRows <= 0 || m_selected < 0)
    {
        return;
    }
    if (m_selected >= m_topIndex + m_visibleRows)
    {
        // The selected row ends exactly at the inner bottom; the row above the first whole one is cut.
        m_topIndex = m_selected - m_visibleRows;
        const std::int32_t inner = InnerHeight();
        if (inner > 0 && m_rowHeight > 0)
        {
            m_rowOffset = inner % m_rowHeight - m_rowHeight;
        }
    }
    else if (m_selected <= m_topIndex)
    {
        m_topIndex = m_selected;
        m_rowOffset = 0;
    }
    if (CScrollBar* bar = GetScrollBar())
    {
        bar->SetScrollPos(m_topIndex);
    }
}

bool CListBox::SelectByFirstLetter(std::uint32_t character)
{
    if (character == 0 || character > 0x7F)
    {
        return false;
    }
    const char wanted = AsciiUpper(static_cast<char>(character));
    const std::int32_t count = GetItemCount();
    const auto matches = [&](std::int32_t i) {
        const CString& text = m_items[static_cast<std::size_t>(i)].text;
        return text.GetLength() > 0 && AsciiUpper(static_cast<const char*>(text)[0]) == wanted;
    };
    for (std::int32_t step = 1; step < count + (m_selected < 0 ? 1 : 0); ++step)
    {
        // From the item after the selected one round to the one before it.
        const std::int32_t i = (m_selected + step) % count;
        if (matches(i))
        {
            Select(i);
            return true;
        }
    }
    return false;
}

bool CListBox::SelectByPrefix(const CString& text, bool ignoreCase)
{
    const std::int32_t length = text.GetLength();
    if (length == 0)
    {
        return false;
    }
    const CString wanted = ignoreCase ? text.ToLower() : text;
    for (std::size_t i = 0; i < m_items.size(); ++i)
    {
        const CString& itemText = m_items[i].text;
        if (itemText.GetLength() < length)
        {
            continue;
        }
        const CString start = ignoreCase ? itemText.Left(length).ToLower() : itemText.Left(length);
        if (std::memcmp(static_cast<const char*>(start), static_cast<const char*>(wanted),
                        static_cast<std::size_t>(length)) == 0)
        {
            Select(static_cast<std::int32_t>(i));
            return true;
        }
    }
    return false;
}

void CListBox::SetMultiSelect(bool multiSelect)
{
    if (multiSelect == m_multiSelect)
    {
        return;
    }
    if (!multiSelect)
    {
        const std::int32_t keep = m_selected;
        ClearSelection();
        Select(keep);
        Invalidate(false);
    }
    m_multiSelect = multiSelect;
}

std::int32_t CListBox::HitTest(const CPoint& point) const
{
    if (m_rowHeight <= 0)
    {
        return -1;
    }
    const std::int32_t row = (point.y - m_rowOffset - m_borders.top) / m_rowHeight + m_topIndex;
    return row >= GetItemCount() ? -1 : row;
}

void CListBox::SelectItemAtPoint(const CPoint& point)
{
    if (point.y >= 0 && point.y < m_height)
    {
        const std::int32_t row = HitTest(point);
        if (row >= 0)
        {
            AddToSelection(row, true);
        }
    }
}

// Painting

void CListBox::Paint(CDrawContext& context)
{
    CVisualization* visualization = VisualizationOf(*this);
    if (visualization == nullptr)
    {
        return;
    }
    const bool disabled = IsDisabled();
    m_borders = visualization->GetBorderWidths(FrameStyle);
    const CRect client = GetClientRect();
    const CRect inner(client.left + m_borders.left, client.top + m_borders.top, client.right - m_borders.right,
                      client.bottom - m_borders.bottom);
    visualization->FillBackground(context, inner, FillInside);

    const std::int32_t textLeft = inner.left + m_iconWidth + TextInset;
    const std::int32_t textRight = inner.right - TextInset;
    std::int32_t rowTop = inner.top + m_rowOffset;
    // Only the rows that show are visited, whatever the item count.
    for (std::int32_t i = std::max(m_topIndex, 0); i < GetItemCount() && rowTop < inner.bottom && m_rowHeight > 0;
         ++i, rowTop += m_rowHeight)
    {
        const Item& item = m_items[static_cast<std::size_t>(i)];
        const std::int32_t rowBottom = rowTop + m_rowHeight;
        std::uint32_t flags = disabled ? TextDisabled : 0u;
        if (item.selected && !disabled)
        {
            visualization->FillBackground(context, CRect(inner.left, rowTop, inner.right, rowBottom), FillSelected);
            flags = TextHighlighted;
        }
        if (item.bitmap.IsValid())
        {
            // The icon column starts at the window's left edge.
            const CPoint at((m_iconWidth - item.bitmap.GetWidth()) / 2,
                            rowTop + (m_rowHeight - item.bitmap.GetHeight()) / 2);
            context.DrawBitmap(at, item.bitmap, true);
        }
        visualization->DrawIndexedText(context, RowFont, CRect(textLeft, rowTop, textRight, rowBottom), AlignLeft,
                                       AlignCentre, item.text, flags);
    }
    visualization->DrawFrame(context, client, FrameStyle, disabled ? 1 : 0);
}

// Messages, mouse and keys

bool CListBox::OnMessage(const CWindowMessage& message)
{
    if (message.Is("Timer") && m_autoScrollTimer != 0 && message.first == m_autoScrollTimer)
    {
        CWindowManager* manager = CWindowManager::GetInstance();
        const CPoint point = ScreenToClient(manager != nullptr ? manager->GetLastMousePosition() : CPoint());
        if (point.y < 0 && m_selected > 0)
        {
            Select(m_selected - 1);
        }
        else if (point.y >= m_height)
        {
            Select(m_selected + 1);
        }
        return true;
    }
    if (message.Is("MWheel"))
    {
        if (CScrollBar* bar = GetScrollBar())
        {
            bar->SetScrollPos(bar->GetScrollPos() - message.GetWheelDelta() / WheelNotch);
        }
        return true;
    }
    if (message.Is("BtnClick"))
    {
        if (CScrollBar* bar = GetScrollBar())
        {
            const std::int32_t position = bar->GetScrollPos();
            m_topIndex = position;
            if (position == 0)
            {
                m_rowOffset = 0;
            }
            else if (position == bar->GetRange() && m_rowHeight > 0)
            {
                m_rowOffset = InnerHeight() % m_rowHeight - m_rowHeight;
            }
            Invalidate(false);
        }
        return true;
    }
    if (message.Is("sKeyUp"))
    {
        return true;
    }
    return CWindow::OnMessage(message);
}

bool CListBox::OnLButtonDown(CPoint& point, std::uint8_t modifiers)
{
    if (IsDisabled())
    {
        return true;
    }
    const std::int32_t row = HitTest(point);
    if (row >= 0)
    {
        m_caret = row;
        if ((modifiers & CWindowMessage::Control) != 0)
        {
            if (m_multiSelect && IsItemSelected(row))
            {
                DeselectItem(row);
            }
            else
            {
                AddToSelection(row, !m_multiSelect);
            }
            m_anchor = row;
        }
        else if ((modifiers & CWindowMessage::Shift) != 0 && m_multiSelect)
        {
            if (IsValidIndex(m_anchor) && m_anchor != row)
            {
                SelectRange(m_anchor, row);
            }
        }
        else
        {
            Select(row);
            m_anchor = row;
        }
    }
    m_dragging = true;
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->SetMouseCapture(this);
    }
    Invalidate(false);
    KillAutoScrollTimer();
    m_autoScrollTimer = SetTimer(AutoScrollMs, true);
    return true;
}

bool CListBox::OnMouseMove(CPoint& point, std::uint8_t modifiers)
{
    if (!m_dragging)
    {
        return true;
    }
    const std::int32_t row = HitTest(point);
    if (row >= 0)
    {
        if (m_multiSelect && (modifiers & CWindowMessage::Shift) != 0 && IsValidIndex(m_anchor))
        {
            m_caret = row;
            SelectRange(m_anchor, row);
        }
        else
        {
            Select(row);
        }
    }
    return true;
}

bool CListBox::OnLButtonUp(CPoint&, std::uint8_t)
{
    if (m_dragging)
    {
        m_dragging = false;
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->ReleaseMouseCapture(this);
        }
        KillAutoScrollTimer();
        Invalidate(false);
    }
    return true;
}

bool CListBox::OnLButtonDblClk(CPoint&, std::uint8_t)
{
    if (m_selected >= 0)
    {
        NotifyDoubleClick();
    }
    return true;
}

bool CListBox::OnDeactivate()
{
    KillAutoScrollTimer();
    return true;
}

bool CListBox::OnKeyDown(std::uint32_t key, std::uint8_t modifiers)
{
    if (key == KeyEscape)
    {
        // Only a drag is Escape's business here; otherwise it goes on to the dialog holding the list.
        if (!m_dragging)
        {
            return false;
        }
        // The auto-scroll ends with the drag.
        m_dragging = false;
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->ReleaseMouseCapture(this);
        }
        KillAutoScrollTimer();
        return true;
    }
    if (IsDisabled())
    {
        return true;
    }
    if (m_caret < 0 && !IsEmpty())
    {
        m_caret = 0;
    }
    switch (key)
    {
    case KeyHome:
        Select(0);
        break;
    case KeyEnd:
        Select(GetItemCount() - 1);
        break;
    case KeyUp:
    case KeyDown:
        if (IsEmpty())
        {
            break;
        }
        m_caret = key == KeyUp ? std::max(m_caret - 1, 0) : std::min(m_caret + 1, GetItemCount() - 1);
        // Shift extends only from an anchor that names an item; otherwise the key acts as without Shift.
        if ((modifiers & CWindowMessage::Shift) != 0 && m_multiSelect && IsValidIndex(m_anchor))
        {
            SelectRange(m_anchor, m_caret);
        }
        else
        {
            m_anchor = m_caret;
            Select(m_caret);
        }
        break;
    default:
        break;
    }
    return true;
}

bool CListBox::OnCharKey(std::uint32_t code, std::uint8_t)
{
    if (!IsDisabled())
    {
        SelectByFirstLetter(code);
        m_caret = m_selected;
    }
    return true;
}

} // namespace UILib
