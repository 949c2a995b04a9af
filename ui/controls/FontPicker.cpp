#include "ui/controls/FontPicker.h"

#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/Xml.h"
#include "ui/AlphaBitmapFont.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/Label.h"
#include "ui/controls/ResolveAs.h"
#include "ui/controls/SpinControlNumber.h"

#include <tinyxml.h>

#include <cstdio>

namespace UILib
{

using BaseLib::CString;

namespace
{

constexpr std::int32_t FieldHeight = 20;

// Names and places a new window and adds it to parent (a dialog adds it to its client area).
template <typename W>
W* AddWindow(CWindow& parent, W* window, const char* name, std::int32_t x, std::int32_t y, std::int32_t width,
             std::int32_t height)
{
    window->SetName(name);
    window->SetSize(width, height);
    window->SetPosition(x, y);
    parent.AddChild(window->GetHandle());
    return window;
}

// A caption in front of a field: 70 × 20 before its text (labels grow to their text), left and
// vertically centred unless centred is asked for.
void AddCaption(CWindow& parent, std::int32_t x, std::int32_t y, const char* text, bool centred = false)
{
    auto* label = AddWindow(parent, new CLabel(), "__label", x, y, 70, FieldHeight);
    if (!centred)
    {
        label->SetAlignment(1, 0);
    }
    label->SetText(text);
}

std::int32_t CheckState(Handle checkBox)
{
    const CCheckBox* box = ResolveAs<CCheckBox>(checkBox);
    return box != nullptr && box->GetState() != 0 ? 1 : 0;
}

std::int32_t Truncated(Handle spin)
{
    const CSpinControlNumber* control = ResolveAs<CSpinControlNumber>(spin);
    return control != nullptr ? static_cast<std::int32_t>(control->GetValue()) : 0;
}

} // namespace

void AddFontFaceItems(CComboBox& list, const std::vector<std::string>& faces)
{
    list.AddItem("Don't care");
    const CComboBox::CComboBoxList* items = list.GetList();
    for (const std::string& face : faces)
    {
        const CString text(face.c_str());
        if (items != nullptr && items->FindItem(text) == -1)
        {
            list.AddItem(text);
        }
    }
}

CFontPicker::CFontPicker()
{
    SetCaption("Font Picker");
    SetSize(475, 380);

    AddCaption(*this, 10, 10, "Font Type:", true);
    auto* fontType = AddWindow(*this, new CComboBox(), "__fonttype", 80, 10, 200, FieldHeight);
    fontType->SetAllowAnyText(false);
    fontType->AddItem("Bitmap Font");
    fontType->AddItem("System Font");
    fontType->SetOnChange(CComboBoxCallback::Bind(this, &CFontPicker::OnFontTypeChanged));
    m_fontTypeList = fontType->GetHandle();

    for (Handle& page : m_pages)
    {
        CWindow* window = AddWindow(*this, new CWindow(), "__container", 10, 35, 455, 190);
        window->SetVisible(false);
        page = window->GetHandle();
    }

    CWindow& bitmapPage = *Page(BitmapFont);
    AddCaption(bitmapPage, 10, 10, "Bitmap File:");
    m_bitmap = AddEdit(&bitmapPage, "__bitmap", 80, 10, 260, "")->GetHandle();
    auto* browse = AddWindow(bitmapPage, new CButton(), "__browse", 350, 10, 30, FieldHeight);
    browse->SetText("...");
    browse->SetOnClick(CButtonCallback::Bind(this, &CFontPicker::OnBrowse));
    AddCaption(bitmapPage, 10, 40, "Characters:");
    m_characters =
        AddEdit(&bitmapPage, "__characters", 80, 40, 300, "ABCDEFGHIJKLMNOPQRSTUVWXYZ")->GetHandle();
    AddCaption(bitmapPage, 10, 70, "Space Width:");
    m_spaceWidth = AddSpin(&bitmapPage, "__spacewidth", 80, 70, 0.0f, 100.0f, 1.0f, 0, 0.0)->GetHandle();
    AddCaption(bitmapPage, 10, 100, "Baseline:");
    m_baseline = AddSpin(&bitmapPage, "__baseline", 80, 100, 0.0f, 100.0f, 1.0f, 0, 0.0)->GetHandle();
    AddCaption(bitmapPage, 10, 130, "Kerning Bias:");
    m_kerningBias =
        AddSpin(&bitmapPage, "__kerningbias", 80, 130, -100.0f, 100.0f, 1.0f, 0, 0.0)->GetHandle();
    AddCaption(bitmapPage, 10, 160, "Cursivity:");
    m_cursivity = AddSpin(&bitmapPage, "__cursivity", 80, 160, -100.0f, 100.0f, 1.0f, 0, 0.0)->GetHandle();
    AddCaption(bitmapPage, 210, 70, "Scaling:");
    m_scaling = AddSpin(&bitmapPage, "__scaling", 280, 70, 0.01f, 1000.0f, 0.1f, 3, 1.0)->GetHandle();

    CWindow& systemPage = *Page(SystemFont);
    AddCaption(systemPage, 10, 10, "Face Name:");
    auto* faceName = AddWindow(systemPage, new CComboBox(), "__facename", 80, 10, 260, FieldHeight);
    faceName->SetAllowAnyText(false);
    faceName->SetText(CString());
    // Bound before the names go in: the selection of the first one finds no type chosen yet.
    faceName->SetOnChange(CComboBoxCallback::Bind(this, &CFontPicker::OnListChanged));
    std::vector<std::string> faces;
    EnumerateFontFaces(faces);
    AddFontFaceItems(*faceName, faces);
    m_faceName = faceName->GetHandle();
    AddCaption(systemPage, 10, 40, "Locale:");
    m_locale = AddList(&systemPage, "__locale", 40,
                       {"STANDARD", "JAPANESE", "KOREAN", "CHINESE", "RUSSIAN", "THAI", "ARABIC", "HEBREW",
                        "VIETNAMESE"})
                   ->GetHandle();
    AddCaption(systemPage, 10, 70, "Height:");
    m_height = AddSpin(&systemPage, "__heigth", 80, 70, 5.0f, 128.0f, 1.0f, 0, 5.0)->GetHandle();
    AddCaption(systemPage, 10, 100, "Weight:");
    m_weight = AddList(&systemPage, "__weight", 100,
                       {"DONTCARE", "THIN", "EXTRALIGHT", "ULTRALIGHT", "LIGHT", "NORMAL", "REGULAR",
                        "MEDIUM", "SEMIBOLD", "DEMIBOLD", "BOLD", "EXTRABOLD", "ULTRABOLD", "HEAVY", "BLACK"})
                   ->GetHandle();
    m_fixedWidth = AddCheckBox(&systemPage, "__fixedwidth", 10, 130, "Fixed Width")->GetHandle();
    m_underline = AddCheckBox(&systemPage, "__underline", 160, 130, "Underline")->GetHandle();
    m_italics = AddCheckBox(&systemPage, "__italics", 10, 160, "Italics")->GetHandle();
    m_strikeOut = AddCheckBox(&systemPage, "__strikeout", 160, 160, "Strike Out")->GetHandle();

    auto* preview = AddWindow(*this, new CLabel(), "__preview", 10, 240, 455, 80);
    preview->SetMaximumSize(BaseLib::CSize(455, 80));
    preview->SetAlignment(0, 1);
    preview->SetWordWrap(true);
    m_preview = preview->GetHandle();

    auto* ok = AddWindow(*this, new CButton(), "__okbutton", 315, 330, 70, FieldHeight);
    ok->SetText("OK");
    m_okButton = ok->GetHandle();
    auto* cancel = AddWindow(*this, new CButton(), "__cancelbutton", 395, 330, 70, FieldHeight);
    cancel->SetText("Cancel");
    m_cancelButton = cancel->GetHandle();

    SetFontType(BitmapFont);
    CreateOwnCanvas();
}

CFontPicker::~CFontPicker()
{
    // The file picker lives in the layer, not in this window: it would call back into a deleted picker.
    if (CFilePicker* filePicker = GetFilePicker())
    {
        filePicker->SetCallback(CFilePickerCallback());
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->RemoveModalWindow(filePicker);
        }
        filePicker->Destroy();
    }
}

CWindow* CFontPicker::Create()
{
    return new CFontPicker();
}

CEditControl* CFontPicker::AddEdit(CWindow* page, const char* name, std::int32_t x, std::int32_t y,
                                   std::int32_t width, const char* text)
{
    auto* edit = AddWindow(*page, new CEditControl(), name, x, y, width, FieldHeight);
    edit->SetText(text);
    edit->SetChangeCallback(CEditControl::CEditCallback::Bind(this, &CFontPicker::OnEditChanged));
    return edit;
}

CSpinControlNumber* CFontPicker::AddSpin(CWindow* page, const char* name, std::int32_t x, std::int32_t y,
                                         float minimum, float maximum, float step, std::int32_t decimals,
                                         double value)
{
    auto* spin = AddWindow(*page, new CSpinControlNumber(), name, x, y, 60, FieldHeight);
    // The limits are single precision: the step of 0.1 is 0.100000001…, which "%g" of the value rounded
    // to single precision hides again.
    spin->SetRange(minimum, maximum, step);
    spin->SetDecimals(decimals);
    spin->SetValue(value);
    spin->SetOnChange(CSpinCallback::Bind(this, &CFontPicker::OnSpinChanged));
    return spin;
}

CComboBox* CFontPicker::AddList(CWindow* page, const char* name, std::int32_t y,
                                const std::vector<const char*>& items)
{
    auto* list = AddWindow(*page, new CComboBox(), name, 80, y, 260, FieldHeight);
    list->SetAllowAnyText(false);
    for (const char* item : items)
    {
        list->AddItem(item);
    }
    list->SetOnChange(CComboBoxCallback::Bind(this, &CFontPicker::OnListChanged));
    return list;
}

CCheckBox* CFontPicker::AddCheckBox(CWindow* page, const char* name, std::int32_t x, std::int32_t y,
                                    const char* text)
{
    auto* box = AddWindow(*page, new CCheckBox(), name, x, y, 140, FieldHeight);
    box->SetText(text);
    box->SetOnChange(CCheckBoxCallback::Bind(this, &CFontPicker::OnCheckBoxChanged));
    return box;
}

CWindow* CFontPicker::Page(std::int32_t type) const
{
    return type == SystemFont || type == BitmapFont ? ResolveAs<CWindow>(m_pages[type]) : nullptr;
}

bool CFontPicker::OnMessage(const CWindowMessage& message)
{
    if (message.Is("BtnClick"))
    {
        if (message.second == m_okButton)
        {
            EndDialog(false);
            return true;
        }
        if (message.second == m_cancelButton)
        {
            EndDialog(true);
            return true;
        }
    }
    return CDialogWindow::OnMessage(message);
}

void CFontPicker::EndDialog(bool cancelled)
{
    if (AreEventsSuppressed())
    {
        return;
    }
    PostDialogResult(*this, m_notificationTarget, cancelled ? "FontCncl" : "FontPick");
    if (m_onClosed.IsSet())
    {
        m_onClosed(this, cancelled);
    }
}

void CFontPicker::NotifyChanged()
{
    if (!AreEventsSuppressed() && m_onChanged.IsSet())
    {
        m_onChanged(this);
    }
}

void CFontPicker::SetFontType(std::int32_t type)
{
    if (type == m_fontType)
    {
        return;
    }
    if (CComboBox* list = ResolveAs<CComboBox>(m_fontTypeList))
    {
        list->SetSelection(type != BitmapFont ? 1 : 0);
    }
    if (CWindow* page = Page(m_fontType))
    {
        page->SetVisible(false);
    }
    m_fontType = type;
    if (CWindow* page = Page(m_fontType))
    {
        page->SetVisible(true);
    }
    UpdatePreview();
}

CFilePicker* CFontPicker::GetFilePicker() const
{
    return ResolveAs<CFilePicker>(m_filePicker);
}

void CFontPicker::OnBrowse(CBasicButton*)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    if (manager == nullptr || GetFilePicker() != nullptr)
    {
        return;
    }
    auto* filePicker = new CFilePicker();
    m_filePicker = filePicker->GetHandle();
    if (filePicker->GetMode() != CFilePicker::OpenMode)
    {
        filePicker->SetMode(CFilePicker::OpenMode);
    }
    filePicker->SetCallback(CFilePickerCallback::Bind(this, &CFontPicker::OnBitmapFilePicked));
    filePicker->ClearFilters();
    filePicker->AddFilter("Image Files", "*.png; *.gif; *.tga; *.jpg; *.jpeg; *.dds; *.bmp; *.tif; *.tiff");
    filePicker->AddFilter("All Files", "*.*");
    // In the layer first, so that the activation reaches it and the centring has a parent.
    manager->AddToLayer(filePicker, GetLayerIndex());
    manager->PushModalWindow(filePicker);
    manager->ActivateWindow(filePicker->GetHandle(), true);
    filePicker->CenterInParent();
}

void CFontPicker::OnBitmapFilePicked(CFilePicker* filePicker, bool cancelled)
{
    if (filePicker == nullptr)
    {
        return;
    }
    if (!cancelled)
    {
        const std::string path(static_cast<const char*>(filePicker->GetFileName()));
        const CUILibSystem* system = CUILibSystem::GetInstance();
        const BaseLib::CPathAliases* aliases = system != nullptr ? system->GetPathAliases() : nullptr;
        std::string text = aliases != nullptr ? aliases->MakeAliasPath(path) : std::string();
        if (text.empty())
        {
            // Outside every alias folder: the bitmap factory reads the absolute path as well.
            BaseLib::DebugOutput("CFontPicker: '%s' lies in no alias folder; kept as an absolute path\n",
                                 path.c_str());
            text = path;
        }
        if (CEditControl* bitmap = ResolveAs<CEditControl>(m_bitmap))
        {
            bitmap->SetText(text.c_str());
        }
    }
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->RemoveModalWindow(filePicker);
    }
    filePicker->Destroy();
    if (filePicker->GetHandle() == m_filePicker)
    {
        m_filePicker = 0;
    }
}

void CFontPicker::OnFontTypeChanged(CComboBox* list)
{
    SetFontType(list != nullptr && list->GetSelection() == 0 ? BitmapFont : SystemFont);
}

void CFontPicker::OnEditChanged(CEditControl*)
{
    UpdatePreview();
}

void CFontPicker::OnSpinChanged(CBasicSpinControl*)
{
    UpdatePreview();
}

void CFontPicker::OnListChanged(CComboBox*)
{
    UpdatePreview();
}

void CFontPicker::OnCheckBoxChanged(CCheckBox*)
{
    UpdatePreview();
}

void CFontPicker::UpdatePreview()
{
    if (m_fontType == NoType)
    {
        return;
    }
    TiXmlElement font("font");
    if (m_fontType == BitmapFont)
    {
        const CEditControl* bitmap = ResolveAs<CEditControl>(m_bitmap);
        const CEditControl* characters = ResolveAs<CEditControl>(m_characters);
        const CSpinControlNumber* scaling = ResolveAs<CSpinControlNumber>(m_scaling);
        char scalingText[32];
        std::snprintf(
            scalingText, sizeof(scalingText), "%g",
            static_cast<double>(static_cast<float>(scaling != nullptr ? scaling->GetValue() : 1.0)));
        font.SetAttribute("type", "bitmapfont");
        font.SetAttribute("file", bitmap != nullptr ? static_cast<const char*>(bitmap->GetText()) : "");
        font.SetAttribute("characters",
                          characters != nullptr ? static_cast<const char*>(characters->GetText()) : "");
        font.SetAttribute("spacewidth", Truncated(m_spaceWidth));
        font.SetAttribute("baseline", Truncated(m_baseline));
        font.SetAttribute("kerningbias", Truncated(m_kerningBias));
        font.SetAttribute("cursivity", Truncated(m_cursivity));
        font.SetAttribute("scaling", scalingText);
    }
    else
    {
        const CComboBox* faceName = ResolveAs<CComboBox>(m_faceName);
        const CComboBox* locale = ResolveAs<CComboBox>(m_locale);
        const CComboBox* weight = ResolveAs<CComboBox>(m_weight);
        font.SetAttribute("type", "alphabitmapfont");
        font.SetAttribute("facename",
                          faceName != nullptr ? static_cast<const char*>(faceName->GetText()) : "");
        font.SetAttribute("locale", locale != nullptr ? locale->GetSelection() : 0);
        font.SetAttribute("height", Truncated(m_height));
        font.SetAttribute("weight", weight != nullptr ? weight->GetSelection() : 0);
        font.SetAttribute("underline", CheckState(m_underline));
        font.SetAttribute("strikeout", CheckState(m_strikeOut));
        font.SetAttribute("italic", CheckState(m_italics));
        font.SetAttribute("fixedwidth", CheckState(m_fixedWidth));
    }
    std::string text;
    BaseLib::XmlNodeToString(text, &font);
    m_description = text.c_str();

    if (CLabel* preview = ResolveAs<CLabel>(m_preview))
    {
        // A description that gives no font leaves the label on the theme's font.
        preview->SetFontName(m_description);
        bool hasLowerCase = false;
        if (const BaseLib::CResourcePtr<CFont> shown = preview->GetFont())
        {
            shown->WaitUntilLoaded();
            hasLowerCase = shown->GetCharWidth(u'e') > 0;
        }
        preview->SetText(hasLowerCase ? LowerCaseSentence : UpperCaseSentence);
    }
    NotifyChanged();
}

} // namespace UILib
