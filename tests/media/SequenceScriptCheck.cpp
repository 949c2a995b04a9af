#include "tests/media/SequenceScriptCheck.h"

#include "game/sequences/DialogBox.h"
#include "game/sequences/QuarrowSequencePlayer.h"
#include "platform/os/DebugOutput.h"
#include "ui/BitmapFont.h"
#include "ui/FontFactory.h"
#include "ui/Panel.h"
#include "ui/TextChar.h"
#include "ui/Window.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>

namespace MediaTesting
{

namespace
{

namespace fs = std::filesystem;

// The game's player with its name look-ups opened to the check.
class CheckedPlayer : public CQuarrowSequencePlayer
{
public:
    using CQuarrowSequencePlayer::FindAction;
    using CQuarrowSequencePlayer::FindCondition;
    using CQuarrowSequencePlayer::FindResource;
};

const char* Attribute(const TiXmlElement* element, const char* name)
{
    const char* value = element->Attribute(name);
    return value != nullptr ? value : "";
}

// The text an action shows, built as the player builds it: text nodes, "br" a line break, "space" its
// width in spaces (0 to 31).
std::string ShownText(const TiXmlElement* action)
{
    std::string text;
    for (const TiXmlNode* node = action->FirstChild(); node != nullptr; node = node->NextSibling())
    {
        if (const TiXmlText* part = node->ToText())
        {
            text += part->Value();
        }
        else if (const TiXmlElement* element = node->ToElement())
        {
            if (std::string(element->Value()) == "br")
            {
                text += '\n';
            }
            else if (std::string(element->Value()) == "space")
            {
                text.append(static_cast<std::size_t>(std::clamp(std::atoi(Attribute(element, "width")), 0, 31)), ' ');
            }
        }
    }
    return text;
}

bool ShowsText(const std::string& name)
{
    return name == "dialogbox" || name == "dialogtextsequence";
}

// The box style a scene's "dialogbox" resource makes; -1 when the scene has none.
int SceneStyle(const TiXmlElement* scene)
{
    const TiXmlElement* resources = scene->FirstChildElement("resources");
    const TiXmlElement* box = resources != nullptr ? resources->FirstChildElement("dialogbox") : nullptr;
    if (box == nullptr)
    {
        return -1;
    }
    const std::string mode = Attribute(box, "mode");
    return mode == "tutorial" ? 1 : (mode == "extro" ? 2 : 0);
}

} // namespace

std::vector<std::string> CheckSequenceScript(const fs::path& script, const fs::path& media)
{
    std::vector<std::string> problems;
    auto problem = [&](const std::string& line) { problems.push_back(script.filename().string() + ": " + line); };

    TiXmlDocument document;
    if (!document.LoadFile(script.string().c_str(), TIXML_ENCODING_UTF8))
    {
        problem(std::string("does not load: ") + document.ErrorDesc());
        return problems;
    }
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr || std::string(root->Value()) != "sequence" || root->FirstChildElement("scene") == nullptr)
    {
        problem("no \"sequence\" root with scenes");
        return problems;
    }
    std::set<std::string> sceneIds;
    for (const TiXmlElement* scene = root->FirstChildElement("scene"); scene != nullptr;
         scene = scene->NextSiblingElement("scene"))
    {
        if (scene->Attribute("id") != nullptr)
        {
            sceneIds.insert(scene->Attribute("id"));
        }
    }

    // The player as a host makes it, over a canvas of the map's cut-scene size.
    UILib::CPanel* canvas = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
    canvas->SetSize(512, 384);
    auto player = std::make_unique<CheckedPlayer>();
    player->SetCanvas(canvas);
    player->RegisterCommands();

    const char* const sets[] = {CDialogBox::CharacterSetA, CDialogBox::CharacterSetA, CDialogBox::CharacterSetB};
    const char* const fontFiles[] = {"fonts/adventure17.png", "fonts/adventure17.png", "fonts/adventure17_white.png"};
    std::map<int, BaseLib::CResourcePtr<UILib::CFont>> fonts;
    std::map<int, CDialogBox*> boxes; // windows, destroyed at the end

    Platform::DebugOutputCapture trace;
    for (const TiXmlElement* scene = root->FirstChildElement("scene"); scene != nullptr;
         scene = scene->NextSiblingElement("scene"))
    {
        const std::string sceneName = std::string("scene '") + Attribute(scene, "id") + "': ";
        if (const TiXmlElement* resources = scene->FirstChildElement("resources"))
        {
            for (const TiXmlElement* resource = resources->FirstChildElement(); resource != nullptr;
                 resource = resource->NextSiblingElement())
            {
                player->FindResource(resource);
                const std::string name = resource->Value();
                if (name == "bg")
                {
                    const TiXmlElement* bitmap = resource->FirstChildElement("bitmap");
                    const std::string file = bitmap != nullptr ? Attribute(bitmap, "file") : "";
                    if (file.empty() || !fs::is_regular_file(media / "interface" / file))
                    {
                        problem(sceneName + "picture '" + file + "' does not exist");
                    }
                }
                for (const TiXmlElement* sound = resource->FirstChildElement(); name == "sounds" && sound != nullptr;
                     sound = sound->NextSiblingElement())
                {
                    std::vector<std::string> files = {Attribute(sound, "file"), Attribute(sound, "loopfile")};
                    for (const TiXmlElement* sample = sound->FirstChildElement("sample"); sample != nullptr;
                         sample = sample->NextSiblingElement("sample"))
                    {
                        files.push_back(Attribute(sample, "file"));
                    }
                    for (const std::string& file : files)
                    {
                        const std::string prefix = "sound>";
                        if (!file.empty() && (file.rfind(prefix, 0) != 0 ||
                                              !fs::is_regular_file(media / "sounds" / file.substr(prefix.size()))))
                        {
                            problem(sceneName + "sound '" + file + "' does not exist");
                        }
                    }
                }
            }
        }
        const TiXmlElement* body = scene->FirstChildElement("script");
        const int style = SceneStyle(scene);
        for (const TiXmlElement* action = body != nullptr ? body->FirstChildElement() : nullptr; action != nullptr;
             action = action->NextSiblingElement())
        {
            player->FindAction(action);
            const std::string name = action->Value();
            if (name.rfind("switchtoscene", 0) == 0 && sceneIds.count(Attribute(action, "id")) == 0)
            {
                problem(sceneName + "no scene '" + Attribute(action, "id") + "'");
            }
            if (name == "switchtosequence" && !fs::is_regular_file(media / "sequences" / Attribute(action, "file")))
            {
                problem(sceneName + "no sequence file '" + Attribute(action, "file") + "'");
            }
            if (!ShowsText(name))
            {
                for (const TiXmlElement* condition = action->FirstChildElement(); condition != nullptr;
                     condition = condition->NextSiblingElement())
                {
                    player->FindCondition(condition);
                }
                continue;
            }
            if (style < 0)
            {
                problem(sceneName + "shows text without a \"dialogbox\" resource");
                continue;
            }
            if (fonts.count(style) == 0)
            {
                fonts[style] = UILib::CreateBitmapFont(UILib::CFontFactory::GetCurrent(), fontFiles[style],
                                                       sets[style], 15, 0, -6, -3, 1.0f);
            }
            const auto* font = dynamic_cast<const UILib::CBitmapFont*>(fonts[style].Get());
            const std::string text = ShownText(action);
            for (const char* cursor = text.c_str(); *cursor != '\0';)
            {
                const char* start = cursor;
                const char16_t c = UILib::DecodeTextChar(cursor);
                if (c != u' ' && c != u'\n' && (font == nullptr || font->FindGlyph(c) == nullptr))
                {
                    problem(sceneName + "'" + std::string(start, cursor) + "' has no glyph in " + fontFiles[style]);
                }
            }
            if (name == "dialogbox")
            {
                if (boxes.count(style) == 0)
                {
                    boxes[style] = new CDialogBox(style);
                }
                std::string wrapped = text;
                boxes[style]->WrapText(wrapped);
                if (std::count(wrapped.begin(), wrapped.end(), '\n') > 2)
                {
                    problem(sceneName + "text wraps to more than three lines: " + text);
                }
            }
        }
    }
    const std::string traced = trace.Text();
    if (traced.find("not registered") != std::string::npos)
    {
        problem("names not registered by the player:\n" + traced);
    }
    player->Shutdown();
    player.reset();
    for (const auto& [style, box] : boxes)
    {
        box->Delete();
    }
    canvas->Delete();
    return problems;
}

} // namespace MediaTesting
