#pragma once

#include "foundation/String.h"
#include "ui/Window.h"

#include <string>
#include <vector>

class TiXmlDocument;

namespace UILib
{

class CAnimatedLabel;

// A window that reads a "layeredanimation" XML file and stacks one animated label per "layer" inside
// itself, the first layer at the bottom. It paints nothing itself and grows to hold its largest layer.
class CMultiLayerAnimatedLabel : public CWindow
{
public:
    CMultiLayerAnimatedLabel();
    ~CMultiLayerAnimatedLabel() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CMultiLayerAnimatedLabel"; }
    // The window's list, then "Background" and "File".
    void GetProperties(CPropertyList& list) override;
    void Paint(CDrawContext& context) override;
    // Stores the container's own flag, then switches Write Alpha on for every layer whatever the value.
    void SetWriteAlpha(bool writeAlpha) override;
    // "sChWSize" of a live child grows the container to that child's size.
    bool OnMessage(const CWindowMessage& message) override;

    // LoadFile, and on success every layer is started.
    void SetFile(const BaseLib::CString& file);
    BaseLib::CString GetFile() const { return m_file; }
    // The name is stored at once. The resolved path is tried, then each bitmap search folder before it.
    // False when no path loads (the layers stay, one trace line names every path tried); true otherwise,
    // with the old layers replaced by the file's (none, and a trace, when the root is not
    // "layeredanimation").
    bool LoadFile(const BaseLib::CString& file);
    // A new animated label of the container's size on top of the others, named "__sublabel", with
    // background only when it is the first layer and the container's Write Alpha.
    CAnimatedLabel* AddLayer();
    // Destroys every layer.
    void ClearLayers();
    int GetLayerCount() const { return static_cast<int>(m_layers.size()); }
    // Bottom first; null for a layer whose window is gone.
    CAnimatedLabel* GetLayer(int index) const;

    // The bottom layer's flag; true without layers.
    bool GetBackground() const;
    // With layers: the bottom layer's background, and the container is transparent exactly when that
    // layer is. Without layers nothing happens.
    void SetBackground(bool on);

private:
    // The layers of a loaded document, in place of the old ones; fileName names it in the trace.
    void BuildLayers(const TiXmlDocument& document, const std::string& fileName);

    std::vector<Handle> m_layers;
    BaseLib::CString m_file;
};

} // namespace UILib
