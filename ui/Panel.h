#pragma once

#include "foundation/Color.h"
#include "ui/Window.h"

namespace UILib
{

// A window that fills its client rectangle with one colour, stored (not blended): alpha 0 makes it a
// hole through which lower canvases show. Starts 100 × 100, white and opaque.
class CPanel : public CWindow
{
public:
    CPanel();
    static CWindow* Create();

    const char* GetClassName() const override { return "CPanel"; }
    // The window's properties, then "Color".
    void GetProperties(CPropertyList& list) override;
    BaseLib::CString GetDebugDescription() const override;
    void Paint(CDrawContext& context) override;

    // Invalidates only when the 32-bit word changes.
    void SetColor(BaseLib::CColor colour);
    BaseLib::CColor GetColor() const { return m_colour; }

private:
    BaseLib::CColor m_colour{255, 255, 255, 255};
};

// A window that draws nothing and is transparent from the start: it groups children without covering
// what lies beneath.
class CTransparentWindow : public CWindow
{
public:
    CTransparentWindow();
    static CWindow* Create();

    const char* GetClassName() const override { return "CTransparentWindow"; }
    void Paint(CDrawContext&) override {}
};

} // namespace UILib
