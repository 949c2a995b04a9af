// The language copies of the layouts and scripts: each copy is there, loads as the game loads it and
// equals its base apart from its texts; the translated scripts pass the script check and type out every
// page without a character their box's font lacks; every single-line text fits its window in its font;
// the layouts read without the translator carry no words; and the letters beyond ASCII draw in the
// menu fonts and in the dialog font as letters of their own.
#include "game/sequences/DialogBox.h"
#include "game/sequences/QuarrowSequencePlayer.h"
#include "mediagen/Translations.h"
#include "platform/os/DebugOutput.h"
#include "tests/media/SequenceScriptCheck.h"
#include "tests/media/WindowSystemFixture.h"
#include "ui/BitmapPng.h"
#include "ui/Canvas.h"
#include "ui/Font.h"
#include "ui/TextChar.h"
#include "ui/TextLines.h"
#include "ui/WindowFactory.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <ostream>
#include <string>
#include <vector>

namespace MediaGen
{
// Test names and messages show a language by its name.
inline void PrintTo(const TranslationLanguage& language, std::ostream* out)
{
    *out << language.name;
}
} // namespace MediaGen

namespace
{

namespace fs = std::filesystem;
using BaseLib::CColor;
using UILib::CWindow;

const fs::path kMedia = QUARROW_MEDIA_DIR;

bool IsScript(const std::string& file)
{
    return MediaGen::IsScriptPath(file);
}

bool ShowsText(const std::string& element)
{
    return element == "dialogbox" || element == "dialogtextsequence";
}

void VisitElements(TiXmlElement* element, const std::function<void(TiXmlElement&)>& visit)
{
    visit(*element);
    for (TiXmlElement* child = element->FirstChildElement(); child != nullptr; child = child->NextSiblingElement())
    {
        VisitElements(child, visit);
    }
}

// The file printed with its texts emptied ("Text" property values, the content of text elements).
std::string FormWithoutTexts(const fs::path& file, bool script)
{
    TiXmlDocument document;
    if (!document.LoadFile(file.string().c_str(), TIXML_ENCODING_UTF8))
    {
        return std::string("unreadable: ") + document.ErrorDesc();
    }
    VisitElements(document.RootElement(), [&](TiXmlElement& element) {
        const char* name = element.Attribute("name");
        if (script && ShowsText(element.Value()))
        {
            element.Clear();
        }
        else if (!script && std::string(element.Value()) == "property" && name != nullptr && std::string(name) == "Text")
        {
            element.SetAttribute("value", "");
        }
    });
    TiXmlPrinter printer;
    document.Accept(&printer);
    return printer.CStr();
}

// A letter of any of the five languages: an ASCII letter or one of the Latin letters beyond it.
bool IsLetter(char16_t c)
{
    return (c < 0x80 && std::isalpha(static_cast<int>(c))) || (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7);
}

bool HasLetters(const std::string& text)
{
    for (const char* cursor = text.c_str(); *cursor != '\0';)
    {
        if (IsLetter(UILib::DecodeTextChar(cursor)))
        {
            return true;
        }
    }
    return false;
}

// The window system with the dialog box's pictures and fonts found as the game finds them, and the
// layouts' windows reachable for their texts and fonts.
class TranslatedMediaTest : public MediaTesting::WindowSystemFixture
{
protected:
    void SetUp() override
    {
        MediaTesting::WindowSystemFixture::SetUp();
        system->GetBitmapFactory()->AddSearchPath(aliases.ResolvePath("interface>").c_str());
    }

    // Loads a layout below media/interface into a clear screen-sized panel; the panel, or null.
    CWindow* LoadLayout(const std::string& file, std::string& traced)
    {
        auto* panel = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
        panel->SetColor(CColor(0, 0, 0, 0));
        panel->SetSize(MediaTesting::ScreenWidth, MediaTesting::ScreenHeight);
        root->AddChild(panel->GetHandle());
        Platform::DebugOutputCapture capture;
        std::vector<CWindow*> built;
        const bool loaded = system->GetWindowFactory()->LoadLayoutWindows("interface>" + file, panel, &built);
        traced = capture.Text();
        if (!loaded || built.empty())
        {
            panel->Delete();
            return nullptr;
        }
        return panel;
    }

    void Visit(CWindow* window, const std::function<void(CWindow&)>& visit)
    {
        visit(*window);
        for (std::int32_t i = 0; i < window->GetChildCount(); ++i)
        {
            if (CWindow* child = manager->Resolve(window->GetChildHandle(i)))
            {
                Visit(child, visit);
            }
        }
    }

    // The pixels of the root's canvas in a rectangle.
    std::vector<CColor> Pixels(const BaseLib::CRect& rect)
    {
        manager->PaintLayers();
        const UILib::CCanvas* canvas = root->GetCanvas(false);
        std::vector<CColor> pixels;
        for (int y = rect.top; y < rect.bottom; ++y)
        {
            for (int x = rect.left; x < rect.right; ++x)
            {
                pixels.push_back(canvas->GetPixel(x, y));
            }
        }
        return pixels;
    }
};

class TranslatedLanguageTest : public TranslatedMediaTest,
                               public ::testing::WithParamInterface<MediaGen::TranslationLanguage>
{
};

std::string LanguageName(const ::testing::TestParamInfo<MediaGen::TranslationLanguage>& info)
{
    return info.param.name;
}

} // namespace

// Every base file has its copy in every language; it loads as the game loads it (a layout through the
// window factory without a trace, a script through the game's sequence player) and equals its base
// apart from its texts.
TEST_F(TranslatedMediaTest, EveryCopyLoadsAndEqualsItsBaseApartFromItsTexts)
{
    const std::vector<std::string> files = MediaGen::TranslatedBaseFiles(kMedia);
    EXPECT_GE(files.size(), 20u);
    int pairs = 0;
    for (const MediaGen::TranslationLanguage& language : MediaGen::TranslationLanguages())
    {
        for (const std::string& file : files)
        {
            const std::string copy = MediaGen::TranslatedCopyPath(file, language.name);
            SCOPED_TRACE(copy);
            ASSERT_TRUE(fs::is_regular_file(kMedia / copy));
            ++pairs;
            EXPECT_EQ(FormWithoutTexts(kMedia / file, IsScript(file)), FormWithoutTexts(kMedia / copy, IsScript(file)));
            if (IsScript(file))
            {
                CQuarrowSequencePlayer player;
                player.RegisterCommands();
                EXPECT_TRUE(player.Load((kMedia / copy).string()));
                player.Shutdown();
            }
            else
            {
                std::string traced;
                CWindow* panel = LoadLayout(copy.substr(std::string("interface/").size()), traced);
                EXPECT_NE(nullptr, panel);
                EXPECT_EQ("", traced);
                if (panel != nullptr)
                {
                    panel->Delete();
                }
            }
        }
    }
    EXPECT_EQ(MediaGen::TranslationLanguages().size() * files.size(), static_cast<std::size_t>(pairs));
}

// A single-line text (a label without word wrap) is no wider than its window in the window's font, and a
// wrapped one takes no more lines than its window's height holds, in English and in every translation.
TEST_F(TranslatedMediaTest, EveryTextFitsItsWindowInItsFont)
{
    std::vector<std::string> folders = {""};
    for (const MediaGen::TranslationLanguage& language : MediaGen::TranslationLanguages())
    {
        folders.push_back(language.name + "/");
    }
    int measured = 0;
    for (const std::string& folder : folders)
    {
        for (const std::string& layout : MediaGen::TranslatedLayouts())
        {
            std::string traced;
            CWindow* panel = LoadLayout(folder + layout, traced);
            ASSERT_NE(nullptr, panel) << folder + layout;
            Visit(panel, [&](CWindow& window) {
                auto* label = dynamic_cast<UILib::CLabel*>(&window);
                const std::string text = label != nullptr ? static_cast<const char*>(label->GetText()) : "";
                if (text.empty() || label->GetFont().Get() == nullptr)
                {
                    return;
                }
                ++measured;
                if (label->GetWordWrap())
                {
                    UILib::CTextLines lines;
                    lines.Layout(label->GetText(), window.GetSize().cx, label->GetFont().Get(), true);
                    EXPECT_LE(lines.GetLineCount() * label->GetFont()->GetHeight(), window.GetSize().cy)
                        << "\"" << text << "\" wraps to " << lines.GetLineCount() << " lines in " << folder + layout;
                    return;
                }
                EXPECT_LE(label->GetFont()->GetTextWidth(label->GetText()), window.GetSize().cx)
                    << "\"" << text << "\" in " << folder + layout;
            });
            panel->Delete();
        }
    }
    EXPECT_GT(measured, 100);
}

// The layouts the game reads without the translator show the same texts in every language, so they
// hold numbers and symbols only.
TEST_F(TranslatedMediaTest, TheLayoutsReadWithoutTheTranslatorCarryNoWords)
{
    std::vector<std::string> files = {"bigbook.xml", "filemenuscreen.xml", "ingamescreen.xml",
                                      "ingamescreen_cutscenewindow.xml"};
    for (int i = 0; i <= 10; ++i)
    {
        files.push_back("treasure" + std::to_string(i) + ".xml");
    }
    for (const std::string& file : files)
    {
        TiXmlDocument document;
        ASSERT_TRUE(document.LoadFile((kMedia / "interface" / file).string().c_str(), TIXML_ENCODING_UTF8)) << file;
        VisitElements(document.RootElement(), [&](TiXmlElement& element) {
            const char* name = element.Attribute("name");
            const char* value = element.Attribute("value");
            if (name != nullptr && std::string(name) == "Text" && value != nullptr)
            {
                EXPECT_FALSE(HasLetters(value)) << "\"" << value << "\" in " << file;
            }
        });
    }
}

// The script check over every translated script: names registered, scenes and files there, every
// character in its box's font, every "dialogbox" text within three lines.
TEST_P(TranslatedLanguageTest, EveryTranslatedScriptPassesTheScriptCheck)
{
    int scripts = 0;
    for (const std::string& file : MediaGen::TranslatedBaseFiles(kMedia))
    {
        if (IsScript(file))
        {
            ++scripts;
            for (const std::string& problem :
                 MediaTesting::CheckSequenceScript(kMedia / MediaGen::TranslatedCopyPath(file, GetParam().name), kMedia))
            {
                ADD_FAILURE() << GetParam().name << ": " << problem;
            }
        }
    }
    EXPECT_GE(scripts, 8);
}

// Every page of every text of every translated script, typed out in its scene's dialog box as the player
// pages it (three lines a page for "dialogtextsequence"), draws without a character its font lacks.
TEST_P(TranslatedLanguageTest, EveryPageTypesOutWithoutAnUnsupportedCharacter)
{
    std::map<int, CDialogBox*> boxes;
    int pages = 0;
    Platform::DebugOutputCapture trace;
    for (const std::string& file : MediaGen::TranslatedBaseFiles(kMedia))
    {
        if (!IsScript(file))
        {
            continue;
        }
        TiXmlDocument document;
        ASSERT_TRUE(document.LoadFile((kMedia / MediaGen::TranslatedCopyPath(file, GetParam().name)).string().c_str(),
                                      TIXML_ENCODING_UTF8));
        for (TiXmlElement* scene = document.RootElement()->FirstChildElement("scene"); scene != nullptr;
             scene = scene->NextSiblingElement("scene"))
        {
            const TiXmlElement* resources = scene->FirstChildElement("resources");
            const TiXmlElement* resource = resources != nullptr ? resources->FirstChildElement("dialogbox") : nullptr;
            const char* mode = resource != nullptr ? resource->Attribute("mode") : nullptr;
            const int style = mode == nullptr ? 0 : std::string(mode) == "tutorial" ? 1 : std::string(mode) == "extro" ? 2 : 0;
            const TiXmlElement* body = scene->FirstChildElement("script");
            for (const TiXmlElement* action = body != nullptr ? body->FirstChildElement() : nullptr; action != nullptr;
                 action = action->NextSiblingElement())
            {
                if (!ShowsText(action->Value()))
                {
                    continue;
                }
                const bool paged = std::string(action->Value()) == "dialogtextsequence";
                std::string text;
                for (const TiXmlNode* node = action->FirstChild(); node != nullptr; node = node->NextSibling())
                {
                    const TiXmlElement* child = node->ToElement();
                    if (node->ToText() != nullptr)
                    {
                        text += node->Value();
                    }
                    else if (child != nullptr && std::string(child->Value()) == "br")
                    {
                        text += '\n';
                    }
                    else if (child != nullptr && !paged && std::string(child->Value()) == "space")
                    {
                        text.append(static_cast<std::size_t>(std::clamp(std::atoi(child->Attribute("width") != nullptr
                                                                                      ? child->Attribute("width")
                                                                                      : "0"),
                                                                        0, 31)),
                                    ' ');
                    }
                }
                if (boxes.count(style) == 0)
                {
                    boxes[style] = new CDialogBox(style);
                    root->AddChild(boxes[style]->GetHandle());
                }
                CDialogBox* box = boxes[style];
                const char* orientation = action->Attribute("orientation");
                const std::string side = orientation != nullptr ? orientation : "";
                box->SetOrientation(side == "neutral" ? 1 : side == "left" ? 2 : side == "right" ? 3 : 0);
                box->SetVisible(true);
                box->WrapText(text);
                while (!text.empty())
                {
                    std::size_t end = std::string::npos;
                    for (int breaks = 0, at = -1; paged && breaks < 3; ++breaks)
                    {
                        at = static_cast<int>(text.find('\n', static_cast<std::size_t>(at + 1)));
                        if (at < 0)
                        {
                            break;
                        }
                        end = static_cast<std::size_t>(at);
                    }
                    const bool lastPage = end == std::string::npos || std::count(text.begin(), text.end(), '\n') < 3;
                    const std::string page = lastPage ? text : text.substr(0, end);
                    text = lastPage ? "" : text.substr(end + 1);
                    box->Clear();
                    box->SetText(page);
                    box->Update(0.0f);
                    ASSERT_TRUE(box->IsFinished());
                    manager->PaintLayers();
                    ++pages;
                }
            }
        }
    }
    EXPECT_GE(pages, 20);
    EXPECT_EQ(std::string::npos, trace.Text().find("unsupported char")) << trace.Text();
    for (const auto& [style, box] : boxes)
    {
        box->Delete();
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedLanguageTest, ::testing::ValuesIn(MediaGen::TranslationLanguages()),
                         LanguageName);

// In each font of the translated layouts the letters beyond ASCII draw ink of their own: "Ä", "É", "Ñ",
// "Ç" and "ß" differ from "A", "E", "N", "C" and "B", and the accents of "Ä", "É" and "Ñ" stand above the
// top of the capital "A". Each font's sample is written for a person to look at.
TEST_F(TranslatedMediaTest, TheMenuFontsDrawTheLettersOfEveryLanguage)
{
    std::set<std::string> fonts;
    for (const std::string& layout : MediaGen::TranslatedLayouts())
    {
        TiXmlDocument document;
        ASSERT_TRUE(document.LoadFile((kMedia / "interface" / layout).string().c_str(), TIXML_ENCODING_UTF8));
        VisitElements(document.RootElement(), [&](TiXmlElement& element) {
            const char* name = element.Attribute("name");
            if (name != nullptr && std::string(name) == "Font" && element.Attribute("value") != nullptr)
            {
                fonts.insert(element.Attribute("value"));
            }
        });
    }
    ASSERT_GE(fonts.size(), 4u);
    const fs::path output = QUARROW_TEST_OUTPUT_DIR;
    fs::create_directories(output);
    const char* const letters[] = {"A", "Ä", "E", "É", "N", "Ñ", "C", "Ç", "B", "ß"};
    constexpr int kCell = 96;
    int sample = 0;
    for (const std::string& font : fonts)
    {
        SCOPED_TRACE(font);
        std::vector<CWindow*> labels;
        for (int i = 0; i < 10; ++i)
        {
            auto* label = static_cast<UILib::CLabel*>(UILib::CLabel::Create());
            label->SetBackground(false);
            label->SetWordWrap(false);
            label->SetFontName(font.c_str());
            label->SetFontColor(CColor(0, 0, 0, 255));
            label->SetPosition(i * kCell, 0);
            label->SetSize(kCell, kCell);
            label->SetText(letters[i]);
            root->AddChild(label->GetHandle());
            labels.push_back(label);
        }
        const std::vector<CColor> pixels = Pixels(BaseLib::CRect(0, 0, 10 * kCell, kCell));
        const auto ink = [&](int cell, int x, int y) {
            const CColor pixel = pixels[static_cast<std::size_t>(y) * 10 * kCell + cell * kCell + x];
            return pixel.GetRed() < 95; // the grey screen is 110
        };
        const auto topRow = [&](int cell) {
            for (int y = 0; y < kCell; ++y)
            {
                for (int x = 0; x < kCell; ++x)
                {
                    if (ink(cell, x, y))
                    {
                        return y;
                    }
                }
            }
            return kCell;
        };
        for (int pair = 0; pair < 5; ++pair)
        {
            const int plain = 2 * pair;
            const int accented = plain + 1;
            int inked = 0;
            int differing = 0;
            for (int y = 0; y < kCell; ++y)
            {
                for (int x = 0; x < kCell; ++x)
                {
                    inked += ink(accented, x, y) ? 1 : 0;
                    differing += ink(accented, x, y) != ink(plain, x, y) ? 1 : 0;
                }
            }
            EXPECT_GT(inked, 10) << letters[accented] << " draws no ink";
            EXPECT_GE(differing, 3) << letters[accented] << " draws as " << letters[plain];
            if (pair < 3)
            {
                EXPECT_LT(topRow(accented), topRow(0)) << letters[accented] << " has nothing above the capital A";
            }
        }
        UILib::CBitmap picture(10 * kCell, kCell, true);
        std::copy(pixels.begin(), pixels.end(), picture.GetWritablePixels());
        EXPECT_TRUE(UILib::WriteBitmapPng((output / ("menu_font_letters_" + std::to_string(++sample) + ".png")).string(), picture));
        for (CWindow* label : labels)
        {
            label->Delete();
        }
    }
}

// A German page with "Ä", "Ö" and "Ü" typed out in the map's speech box shows the dots above the cap
// height, over each of those letters, where the same page without them shows none.
TEST_F(TranslatedMediaTest, TheDialogFontDrawsTheUmlautsAboveTheCapitals)
{
    const fs::path output = QUARROW_TEST_OUTPUT_DIR;
    fs::create_directories(output);
    struct Typed
    {
        std::vector<CColor> pixels;
        int width = 0;
        int height = 0;
    };
    const auto type = [&](const std::string& page, const std::string& name) {
        auto* box = new CDialogBox(0);
        root->AddChild(box->GetHandle());
        box->SetOrientation(1);
        box->SetVisible(true);
        box->Clear();
        box->SetText(page);
        box->Update(0.0f);
        manager->PaintLayers();
        const UILib::CCanvas* canvas = box->GetCanvas(false);
        Typed typed;
        typed.width = box->GetSize().cx;
        typed.height = box->GetSize().cy;
        UILib::CBitmap picture(typed.width, typed.height, true);
        for (int y = 0; y < typed.height; ++y)
        {
            for (int x = 0; x < typed.width; ++x)
            {
                typed.pixels.push_back(canvas != nullptr ? canvas->GetPixel(x, y) : CColor());
            }
        }
        std::copy(typed.pixels.begin(), typed.pixels.end(), picture.GetWritablePixels());
        EXPECT_TRUE(UILib::WriteBitmapPng((output / (name + ".png")).string(), picture));
        box->Delete();
        return typed;
    };
    const Typed umlauts = type("Über Höhen und Täler", "dialog_german_umlauts");
    const Typed plain = type("Uber Hohen und Taler", "dialog_german_plain");
    ASSERT_EQ(plain.width, umlauts.width);
    const auto ink = [](const Typed& typed, int x, int y) {
        const CColor pixel = typed.pixels[static_cast<std::size_t>(y) * typed.width + x];
        return pixel.GetAlpha() == 255 && pixel.GetRed() < 80;
    };
    // The text area of the map's box.
    const int left = 14;
    const int right = 14 + 474;
    const int top = 20;
    const int bottom = 20 + 90;
    int capTop = bottom;
    for (int y = top; y < bottom && capTop == bottom; ++y)
    {
        for (int x = left; x < right; ++x)
        {
            capTop = ink(plain, x, y) ? y : capTop;
        }
    }
    ASSERT_LT(capTop, bottom) << "the plain page shows nothing";
    // Runs of columns with ink above the capitals: each umlaut's two dots.
    int runs = 0;
    int above = 0;
    bool inRun = false;
    for (int x = left; x < right; ++x)
    {
        bool column = false;
        for (int y = top; y < capTop; ++y)
        {
            column = column || ink(umlauts, x, y);
            above += ink(umlauts, x, y) ? 1 : 0;
        }
        runs += column && !inRun ? 1 : 0;
        inRun = column;
    }
    EXPECT_GE(above, 6);
    EXPECT_GE(runs, 3) << "the dots of Ü, Ö and Ä";
}
