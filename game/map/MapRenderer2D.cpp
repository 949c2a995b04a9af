#include "game/map/MapRenderer2D.h"

#include "game/map/Map.h"
#include "ui/Callback.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/ScrollWindow.h"
#include "ui/controls/SimpleAnimatedLabel.h"

namespace
{

constexpr int Cell = CMapRenderer2D::CellPixels;

// The gold requirement's digits: a bitmap font given inline, its file written with the entity and the
// backslash (the path functions turn it into "interface>map/gold_counter.png").
constexpr const char* GoldCounterFont = "<font type=\"bitmapfont\" file=\"interface&gt;map\\gold_counter.png\" "
                                        "characters=\"1234567890\" spacewidth=\"0\" baseline=\"0\" "
                                        "kerningbias=\"1\"/>";

constexpr const char* LockImages[3] = {"map/lockA.png", "map/lockB.png", "map/lockC.png"};
constexpr const char* KeyImages[3] = {"map/keyA.png", "map/keyB.png", "map/keyC.png"};

// A cell's label: 64 x 64 at the cell's pixels in parent, no background, its size kept whatever picture it
// shows (a missing image's larger placeholder is cut to the cell).
UILib::CLabel* MakeCellLabel(int x, int y, UILib::CWindow* parent, bool visible)
{
    auto* label = new UILib::CLabel();
    label->SetText(BaseLib::CString());
    label->SetAutoEnlarge(false);
    label->SetBackground(false);
    label->SetSize(Cell, Cell);
    label->SetPosition(x * Cell, y * Cell);
    label->SetVisible(visible);
    parent->AddChild(label->GetHandle());
    return label;
}

UILib::CSimpleAnimatedLabel* MakeFigureLabel(const char* file, int speedMs, UILib::CWindow* parent)
{
    auto* label = new UILib::CSimpleAnimatedLabel();
    label->SetSize(Cell, Cell);
    label->SetBitmapFile(file);
    label->SetFrameCount(3);
    label->SetSpeed(speedMs);
    label->SetBackground(false);
    label->SetAlwaysOnTop(true);
    parent->AddChild(label->GetHandle());
    label->Start();
    return label;
}

} // namespace

CMapRenderer2D::CMapRenderer2D(CMapRendererOwner* owner, CMap* map) : m_Owner(owner), m_Map(map)
{
}

CMapRenderer2D::~CMapRenderer2D()
{
    // The windows' callbacks point at this object: they go with it.
    CMapRenderer2D::Release();
}

BaseLib::CString CMapRenderer2D::FogImage(int mask)
{
    char digits[5] = {};
    for (int bit = 0; bit < 4; ++bit)
    {
        digits[bit] = (mask & (8 >> bit)) != 0 ? '1' : '0';
    }
    return BaseLib::CString::FromFormat("map/fog/fog%s.png", digits);
}

void CMapRenderer2D::LoadResources(UILib::CScrollWindow* scrollWindow)
{
    if (m_MapWindow != nullptr)
    {
        CMapRenderer2D::Release();
    }
    m_ScrollWindow = scrollWindow;
    const BaseLib::CSize size = m_Map->GetSize();
    const char* setting = m_Map->GetSetting().c_str();

    m_MapWindow = new UILib::CLabel();
    m_MapWindow->SetAutoEnlarge(false);
    m_MapWindow->SetPosition(0, 0);
    m_MapWindow->SetBitmapFile(BaseLib::CString::FromFormat("interface>map/%s/map_%s.png", setting, setting));
    m_MapWindow->SetSize(size.cx * Cell, size.cy * Cell);
    if (m_ScrollWindow != nullptr)
    {
        m_ScrollWindow->AddChild(m_MapWindow->GetHandle());
        m_ScrollWindow->SetClientAreaSize(m_MapWindow->GetSize());
    }
    m_MapWindowHandle = m_MapWindow->GetHandle();
    m_MapWindow->SetOnLButtonDown(UILib::CMouseCallback::Bind(this, &CMapRenderer2D::OnMapButtonDown));
    m_MapWindow->SetOnLButtonDblClk(UILib::CMouseCallback::Bind(this, &CMapRenderer2D::OnMapDoubleClick));
    if (size.cx <= 0 || size.cy <= 0)
    {
        return;
    }

    for (UILib::CWindow*& layer : m_Layers)
    {
        layer = new UILib::CTransparentWindow();
        layer->SetPosition(0, 0);
        layer->SetSize(m_MapWindow->GetSize().cx, m_MapWindow->GetSize().cy);
        layer->SetVisible(true);
        m_MapWindow->AddChild(layer->GetHandle());
    }
    m_Layers[1]->CreateOwnCanvas();
    if (auto* canvas = dynamic_cast<UILib::CTextureCanvas*>(m_Layers[1]->GetCanvas(false)))
    {
        canvas->SetFilterMode(1);
    }

    m_Figure = MakeFigureLabel("map/character.png", 300, m_MapWindow);
    m_Highlight = MakeFigureLabel("map/particle.png", 150, m_MapWindow);
    m_Highlight->SetVisible(false);

    m_CellWindows.reserve(static_cast<std::size_t>(size.cx * size.cy));
    for (int y = 0; y < size.cy; ++y)
    {
        for (int x = 0; x < size.cx; ++x)
        {
            CellWindows windows;
            windows.tile = MakeCellLabel(x, y, m_Layers[0], false);
            windows.fog = MakeCellLabel(x, y, m_Layers[1], false);
            windows.fog->SetWriteAlpha(true);
            windows.fade = MakeCellLabel(x, y, m_MapWindow, true);
            m_CellWindows.push_back(windows);
        }
    }
}

void CMapRenderer2D::Release()
{
    // The map window takes every other window the renderer made with it; it may already be gone with the
    // scroll window.
    UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance();
    if (m_MapWindow != nullptr && manager != nullptr && manager->Resolve(m_MapWindowHandle) == m_MapWindow)
    {
        m_MapWindow->Delete();
    }
    m_MapWindow = nullptr;
    m_MapWindowHandle = 0;
    m_Layers[0] = nullptr;
    m_Layers[1] = nullptr;
    m_Figure = nullptr;
    m_Highlight = nullptr;
    m_ScrollWindow = nullptr;
    m_CellWindows.clear();
    m_Markers.clear();
    m_Built = 0;
    // A tree built again is drawn at its first Update.
    m_ChangeNumberSeen = -1;
}

UILib::CSimpleAnimatedLabel* CMapRenderer2D::CreateAnimatedMarker(const char* file, int frames, int x, int y,
                                                                  UILib::CWindow* parent)
{
    auto* marker = new UILib::CSimpleAnimatedLabel();
    marker->SetBitmapFile(file);
    marker->SetFrameCount(frames);
    marker->SetSpeed(100);
    marker->SetLoopDelay(3000);
    marker->FitToContent(true);
    marker->SetBackground(false);
    marker->SetPosition(x, y);
    marker->SetAlwaysOnTop(true);
    parent->AddChild(marker->GetHandle());
    marker->Start();
    m_Markers.push_back(marker);
    return marker;
}

void CMapRenderer2D::Draw()
{
    for (UILib::CWindow* marker : m_Markers)
    {
        UILib::CWindow::Delete(marker);
    }
    m_Markers.clear();
    const BaseLib::CSize size = m_Map->GetSize();
    // Nothing to show without cells; a map read anew with another size needs LoadResources again.
    if (m_CellWindows.empty() || m_CellWindows.size() != static_cast<std::size_t>(size.cx * size.cy))
    {
        m_Built = 1;
        return;
    }
    for (int y = 0; y < size.cy; ++y)
    {
        for (int x = 0; x < size.cx; ++x)
        {
            const CellWindows& windows = m_CellWindows[static_cast<std::size_t>(y * size.cx + x)];
            DrawBarriers(x, y);
            DrawLockKeyAndGoldMarkers(x, y, windows.tile);
            DrawFog(x, y, windows);
            DrawTile(x, y, windows.tile);
        }
    }
    if (m_Built != 0)
    {
        // The old fog fades out over the new; applied at once, so no frame shows the new fog before it.
        m_Layers[1]->PlayAnimation("fadeout", true, 1.0f, false);
        m_Layers[1]->SetAnimationTime("fadeout", 0.0f, false);
    }
    else
    {
        m_Layers[1]->SetVisible(false);
    }
    m_Built = 1;
}

void CMapRenderer2D::DrawBarriers(int x, int y)
{
    const char* setting = m_Map->GetSetting().c_str();
    const auto barrier = [&](const char* file, int px, int py) {
        auto* label = new UILib::CLabel();
        label->SetAutoEnlarge(false);
        label->SetBackground(false);
        label->SetBitmapFile(BaseLib::CString::FromFormat("interface>map/%s/%s", setting, file));
        label->SetSize(32, 32);
        label->SetPosition(px, py);
        m_MapWindow->AddChild(label->GetHandle());
        m_Markers.push_back(label);
    };
    if (!m_Map->IsObstacleHidden(x, y, CMap::North) && m_Map->GetNeighbour(x, y, CMap::North) == CMap::PassageUnrevealed)
    {
        barrier("barrier.png", x * Cell + 16, y * Cell - 16);
    }
    if (!m_Map->IsObstacleHidden(x, y, CMap::West) && m_Map->GetNeighbour(x, y, CMap::West) == CMap::PassageUnrevealed)
    {
        barrier("barrierv.png", x * Cell - 16, y * Cell + 16);
    }
}

void CMapRenderer2D::DrawLockKeyAndGoldMarkers(int x, int y, UILib::CLabel* tile)
{
    const MapCell& cell = m_Map->GetCell(x, y);
    const int row = tile->GetSize().cy / 2 - 8;
    if (!cell.IsOpened())
    {
        int at = 24;
        for (int kind = 0; kind < 3; ++kind)
        {
            if ((cell.flags & (MapCell::NeedsKeyA << kind)) != 0)
            {
                at += CreateAnimatedMarker(LockImages[kind], 6, at, row, tile)->GetSize().cx + 1;
            }
        }
    }
    if ((cell.state & MapCell::StateKeysTaken) == 0)
    {
        int at = 24;
        for (int kind = 0; kind < 3; ++kind)
        {
            if ((cell.flags & (MapCell::ProvidesKeyA << kind)) != 0)
            {
                at += CreateAnimatedMarker(KeyImages[kind], 9, at - 5, row, tile)->GetSize().cx + 1;
            }
        }
    }
    if (cell.goldreq > 0 && !cell.IsOpened())
    {
        auto* amount = new UILib::CLabel();
        amount->SetFontName(GoldCounterFont);
        amount->SetBackground(false);
        amount->SetText(BaseLib::CString::FromFormat("%d", cell.goldreq));
        amount->SetAlignment(1, 0);
        amount->SizeToContent(true);
        amount->SetPosition(20, 45);
        amount->SetAlwaysOnTop(true);
        tile->AddChild(amount->GetHandle());
        m_Markers.push_back(amount);
        UILib::CSimpleAnimatedLabel* coin = CreateAnimatedMarker("map/gold_coin.png", 4, 0, 45, tile);
        coin->SetLoopDelay(0);
        coin->SetSpeed(200);
        coin->SetAnimMode(UILib::CSimpleAnimatedLabel::PingPong);
        coin->Start();
    }
}

void CMapRenderer2D::DrawFog(int x, int y, const CellWindows& windows)
{
    const BaseLib::CString image = FogImage(m_Map->GetCell(x, y).fogMask);
    if (m_Built != 0)
    {
        // The fog layer carries the fog shown until now where it changed; where it stayed, the fade label
        // alone shows it, so that a fog partly see-through does not double while the layer fades.
        const UILib::CBitmap& shown = windows.fade->GetBitmap();
        windows.fog->SetBitmap(shown.GetFileName() != image ? shown : UILib::CBitmap());
        windows.fog->SetVisible(true);
    }
    windows.fade->SetBitmapFile(image);
    windows.fade->SetVisible(true);
}

void CMapRenderer2D::DrawTile(int x, int y, UILib::CLabel* tile)
{
    // The label stays shown without a picture for an "empty" tile: it carries the cell's markers.
    if (m_Map->GetCell(x, y).tile == "empty")
    {
        tile->SetBitmap(UILib::CBitmap());
    }
    else
    {
        tile->SetBitmapFile(BaseLib::CString::FromFormat("interface>map/%s/%s.png", m_Map->GetSetting().c_str(),
                                                         m_Map->GetTileImageName(x, y).c_str()));
    }
    tile->SetVisible(true);
}

void CMapRenderer2D::Update(double /*dt*/)
{
    if (m_MapWindow == nullptr)
    {
        return;
    }
    if (m_Map->GetChangeNumber() != m_ChangeNumberSeen)
    {
        Draw();
        m_ChangeNumberSeen = m_Map->GetChangeNumber();
    }
    if (m_Figure == nullptr)
    {
        return;
    }
    const BaseLib::CVector2 figure = m_Map->GetPlayerPosition();
    m_Figure->SetPosition(static_cast<int>((figure.x - 0.5f) * Cell), static_cast<int>((figure.y - 0.5f) * Cell));
    BaseLib::CVector2 highlight;
    if (m_Map->GetHighlight(highlight))
    {
        m_Highlight->SetPosition(static_cast<int>((highlight.x - 0.5f) * Cell),
                                 static_cast<int>((highlight.y - 0.5f) * Cell));
        m_Highlight->SetVisible(true);
    }
    else
    {
        m_Highlight->SetVisible(false);
    }
    if (m_ScrollWindow != nullptr)
    {
        const UILib::CWindow* view = m_ScrollWindow->GetView();
        const BaseLib::CSize viewSize = view != nullptr ? view->GetSize() : m_ScrollWindow->GetSize();
        const BaseLib::CPoint at = m_Figure->GetPosition();
        const BaseLib::CSize figureSize = m_Figure->GetSize();
        m_ScrollWindow->SetHScrollPos(at.x - (viewSize.cx - figureSize.cx) / 2);
        m_ScrollWindow->SetVScrollPos(at.y - (viewSize.cy - figureSize.cy) / 2);
    }
}

void CMapRenderer2D::OnPointerCell(BaseLib::CPoint& point)
{
    if (m_Owner != nullptr)
    {
        m_Owner->OnPointerCell(point.x / Cell, point.y / Cell);
    }
}

void CMapRenderer2D::OnPointerPosition(BaseLib::CPoint& point)
{
    if (m_Owner != nullptr)
    {
        m_Owner->OnPointerPosition(point.x / Cell, point.y / Cell, static_cast<float>(point.x) * 0.015625f,
                                   static_cast<float>(point.y) * 0.015625f);
    }
}

void CMapRenderer2D::OnMapButtonDown(UILib::CWindow* /*window*/, BaseLib::CPoint& point)
{
    OnPointerCell(point);
}

void CMapRenderer2D::OnMapDoubleClick(UILib::CWindow* /*window*/, BaseLib::CPoint& point)
{
    OnPointerPosition(point);
}
