#include "mediagen/Translations.h"
#include "mediagen/GameMedia.h"

#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace MediaGen
{

namespace fs = std::filesystem;

namespace
{

const char* const kKeyPrefix = "en: ";

bool ReadWholeFile(const fs::path& file, std::string& contents)
{
    std::ifstream stream(file, std::ios::binary);
    if (!stream)
    {
        return false;
    }
    contents.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    return !stream.bad();
}

bool IsLanguageFolder(const std::string& name)
{
    if (name == "english")
    {
        return true;
    }
    return std::any_of(TranslationLanguages().begin(), TranslationLanguages().end(),
                       [&](const TranslationLanguage& language) { return language.name == name; });
}

bool ShowsText(const std::string& element)
{
    return element == "dialogbox" || element == "dialogtextsequence";
}

// A letter: an ASCII letter or any character beyond ASCII (the base texts are English, the translations
// use letters of the Latin alphabets beyond it).
bool HasLetters(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        return std::isalpha(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80;
    });
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// Where a text stands in a file's bytes: the value of a "Text" property, or the content of a text
// element (empty and at the end of its start tag for an element written "<dialogbox/>").
struct TextPlace
{
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Finds the text places of a file in document order by reading its tags; comments, declarations and
// character data are stepped over. Answers false when a tag does not end or a text element is not closed.
bool FindTextPlaces(const std::string& contents, bool script, std::vector<TextPlace>& places, std::string& problem)
{
    std::size_t at = 0;
    while ((at = contents.find('<', at)) != std::string::npos)
    {
        for (const auto& [open, close] : {std::pair{"<!--", "-->"}, std::pair{"<![CDATA[", "]]>"},
                                          std::pair{"<?", "?>"}, std::pair{"<!", ">"}})
        {
            if (contents.compare(at, std::char_traits<char>::length(open), open) == 0)
            {
                const std::size_t end = contents.find(close, at);
                if (end == std::string::npos)
                {
                    problem = std::string("a \"") + open + "\" is not closed";
                    return false;
                }
                at = end + std::char_traits<char>::length(close);
                break;
            }
        }
        if (at >= contents.size() || contents[at] != '<' || contents.compare(at, 2, "<!") == 0 ||
            contents.compare(at, 2, "<?") == 0)
        {
            continue;
        }
        if (contents.compare(at, 2, "</") == 0)
        {
            at += 2;
            continue;
        }
        std::size_t cursor = at + 1;
        const std::size_t nameBegin = cursor;
        while (cursor < contents.size() && !std::isspace(static_cast<unsigned char>(contents[cursor])) &&
               contents[cursor] != '>' && contents[cursor] != '/')
        {
            ++cursor;
        }
        const std::string name = contents.substr(nameBegin, cursor - nameBegin);
        std::string nameAttribute;
        TextPlace value;
        bool selfClosing = false;
        while (true)
        {
            while (cursor < contents.size() && std::isspace(static_cast<unsigned char>(contents[cursor])))
            {
                ++cursor;
            }
            if (cursor >= contents.size())
            {
                problem = "the tag <" + name + " does not end";
                return false;
            }
            if (contents[cursor] == '>')
            {
                break;
            }
            if (contents[cursor] == '/')
            {
                selfClosing = true;
                ++cursor;
                continue;
            }
            const std::size_t attributeBegin = cursor;
            while (cursor < contents.size() && contents[cursor] != '=' && contents[cursor] != '>' &&
                   !std::isspace(static_cast<unsigned char>(contents[cursor])))
            {
                ++cursor;
            }
            const std::string attribute = contents.substr(attributeBegin, cursor - attributeBegin);
            while (cursor < contents.size() && std::isspace(static_cast<unsigned char>(contents[cursor])))
            {
                ++cursor;
            }
            if (cursor >= contents.size() || contents[cursor] != '=')
            {
                continue;
            }
            ++cursor;
            while (cursor < contents.size() && std::isspace(static_cast<unsigned char>(contents[cursor])))
            {
                ++cursor;
            }
            if (cursor >= contents.size() || (contents[cursor] != '"' && contents[cursor] != '\''))
            {
                problem = "the attribute " + attribute + " of <" + name + "> has no quoted value";
                return false;
            }
            const char quote = contents[cursor];
            const std::size_t valueEnd = contents.find(quote, cursor + 1);
            if (valueEnd == std::string::npos)
            {
                problem = "the attribute " + attribute + " of <" + name + "> does not end";
                return false;
            }
            if (attribute == "name")
            {
                nameAttribute = contents.substr(cursor + 1, valueEnd - cursor - 1);
            }
            if (attribute == "value")
            {
                value = {cursor + 1, valueEnd};
            }
            cursor = valueEnd + 1;
        }
        const std::size_t tagEnd = cursor + 1;
        if (!script && name == "property" && nameAttribute == "Text")
        {
            places.push_back(value.end != 0 ? value : TextPlace{cursor, cursor});
        }
        else if (script && ShowsText(name))
        {
            if (selfClosing)
            {
                places.push_back({tagEnd, tagEnd});
            }
            else
            {
                const std::size_t close = contents.find("</" + name, tagEnd);
                if (close == std::string::npos)
                {
                    problem = "the element <" + name + "> is not closed";
                    return false;
                }
                places.push_back({tagEnd, close});
                cursor = close;
            }
        }
        at = cursor;
    }
    return true;
}

// The content of a text element in the table's form.
bool ContentText(const TiXmlElement& element, std::string& text, std::string& problem)
{
    text.clear();
    for (const TiXmlNode* node = element.FirstChild(); node != nullptr; node = node->NextSibling())
    {
        if (const TiXmlText* words = node->ToText())
        {
            const std::string value = words->Value();
            if (value.find_first_of("{}") != std::string::npos)
            {
                problem = "the text " + Quoted(value) + " holds \"{\" or \"}\", which the tables use for their marks";
                return false;
            }
            text += value;
        }
        else if (const TiXmlElement* child = node->ToElement();
                 child != nullptr && child->FirstChild() == nullptr && std::string(child->Value()) == "br")
        {
            text += "{br}";
        }
        else if (child != nullptr && child->FirstChild() == nullptr && std::string(child->Value()) == "space")
        {
            const char* width = child->Attribute("width");
            text += "{space " + std::to_string(width != nullptr ? std::atoi(width) : 0) + "}";
        }
        else
        {
            problem = std::string("a text element holds <") + node->Value() + ">, which is neither \"br\" nor \"space\"";
            return false;
        }
    }
    return true;
}

bool ParseDocument(const std::string& contents, TiXmlDocument& document, std::string& problem)
{
    document.Parse(contents.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (document.Error() || document.RootElement() == nullptr)
    {
        problem = std::string("does not read as XML: ") + document.ErrorDesc() + " at line " +
                  std::to_string(document.ErrorRow());
        return false;
    }
    return true;
}

// Calls visit for every text-bearing element in document order: the "Text" properties of a layout, the
// text elements of a script.
template <typename Visit> void VisitTextElements(TiXmlElement* element, bool script, Visit&& visit)
{
    const std::string name = element->Value();
    const char* property = element->Attribute("name");
    if (script ? ShowsText(name) : (name == "property" && property != nullptr && std::string(property) == "Text"))
    {
        visit(*element);
        return;
    }
    for (TiXmlElement* child = element->FirstChildElement(); child != nullptr; child = child->NextSiblingElement())
    {
        VisitTextElements(child, script, visit);
    }
}

// Every text of a document in order, empty ones included.
bool AllTexts(TiXmlDocument& document, bool script, std::vector<std::string>& texts, std::string& problem)
{
    bool read = true;
    VisitTextElements(document.RootElement(), script, [&](TiXmlElement& element) {
        std::string text;
        if (!script)
        {
            text = element.Attribute("value") != nullptr ? element.Attribute("value") : "";
        }
        else if (read && !ContentText(element, text, problem))
        {
            read = false;
        }
        texts.push_back(text);
    });
    return read;
}

// The document printed with every text emptied: two files with equal forms differ only in their texts.
std::string FormWithoutTexts(TiXmlDocument& document, bool script)
{
    VisitTextElements(document.RootElement(), script, [&](TiXmlElement& element) {
        if (script)
        {
            element.Clear();
        }
        else
        {
            element.SetAttribute("value", "");
        }
    });
    TiXmlPrinter printer;
    document.Accept(&printer);
    return printer.CStr();
}

std::string Escaped(const std::string& text, bool attribute)
{
    std::string out;
    for (const char c : text)
    {
        switch (c)
        {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += attribute ? "&quot;" : "\"";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A translation in the table's form written as the XML content of a text element.
bool ContentXml(const std::string& text, std::string& xml, std::string& problem)
{
    xml.clear();
    std::size_t at = 0;
    while (at < text.size())
    {
        const std::size_t mark = text.find_first_of("{}", at);
        xml += Escaped(text.substr(at, mark - at), false);
        if (mark == std::string::npos)
        {
            break;
        }
        const std::size_t end = text.find('}', mark);
        const std::string inside = end == std::string::npos ? "" : text.substr(mark + 1, end - mark - 1);
        if (text[mark] == '{' && inside == "br")
        {
            xml += "<br/>";
        }
        else if (text[mark] == '{' && inside.size() > 6 && inside.compare(0, 6, "space ") == 0 &&
                 inside.find_first_not_of("0123456789", 6) == std::string::npos && inside.size() <= 8)
        {
            xml += "<space width=\"" + std::to_string(std::atoi(inside.c_str() + 6)) + "\"/>";
        }
        else
        {
            problem = "the translation " + Quoted(text) + " holds a mark other than {br} and {space N}";
            return false;
        }
        at = end + 1;
    }
    return true;
}

} // namespace

const std::vector<TranslationLanguage>& TranslationLanguages()
{
    static const std::vector<TranslationLanguage> languages = {
        {"german", "de: "}, {"french", "fr: "}, {"spanish", "es: "}, {"italian", "it: "}};
    return languages;
}

const std::vector<std::string>& TranslatedLayouts()
{
    static const std::vector<std::string> layouts = {
        "mainmenuscreen.xml",     "gamemenuscreen.xml",       "freeplaymenuscreen.xml",
        "levelselectscreen.xml",  "gameresultscreen.xml",     "optionsscreen.xml",
        "treasurescreen.xml",     "mapscreen.xml",            "mapscreen_cutscenewindow.xml",
        "mapscreen_mapselection.xml", "ingamescreen3d.xml",   "ingamescreen_menu.xml"};
    return layouts;
}

std::vector<std::string> TranslatedBaseFiles(const fs::path& media)
{
    std::vector<std::string> files;
    for (const std::string& layout : TranslatedLayouts())
    {
        files.push_back("interface/" + layout);
    }
    std::vector<std::string> scripts;
    std::error_code error;
    const fs::path sequences = media / "sequences";
    for (fs::recursive_directory_iterator it(sequences, error), end; !error && it != end; it.increment(error))
    {
        if (it->is_directory() && IsLanguageFolder(it->path().filename().string()))
        {
            it.disable_recursion_pending();
        }
        else if (it->is_regular_file() && it->path().extension() == ".xml")
        {
            scripts.push_back("sequences/" + fs::relative(it->path(), sequences).generic_string());
        }
    }
    std::sort(scripts.begin(), scripts.end());
    files.insert(files.end(), scripts.begin(), scripts.end());
    return files;
}

std::string TranslatedCopyPath(const std::string& baseFile, const std::string& language)
{
    const std::size_t slash = baseFile.rfind('/');
    const std::size_t split = slash == std::string::npos ? 0 : slash + 1;
    return baseFile.substr(0, split) + language + "/" + baseFile.substr(split);
}

bool IsScriptPath(const std::string& relativePath)
{
    return relativePath.rfind("sequences/", 0) == 0;
}

TranslationTable ReadTranslationTable(const fs::path& file, const TranslationLanguage& language,
                                      std::vector<std::string>& problems)
{
    TranslationTable table;
    table.file = file.filename().string();
    std::string contents;
    if (!ReadWholeFile(file, contents))
    {
        problems.push_back(file.string() + ": cannot be read");
        return table;
    }
    const auto fault = [&](int line, const std::string& what) {
        problems.push_back(table.file + ":" + std::to_string(line) + ": " + what);
    };
    std::string key;
    int keyLine = 0;
    std::size_t at = 0;
    for (int line = 1; at < contents.size(); ++line)
    {
        std::size_t end = contents.find('\n', at);
        if (end == std::string::npos)
        {
            end = contents.size();
        }
        std::string text = contents.substr(at, end - at);
        at = end + 1;
        if (!text.empty() && text.back() == '\r')
        {
            text.pop_back();
        }
        if (text.empty() || text[0] == '#')
        {
            continue;
        }
        if (text.compare(0, 4, kKeyPrefix) == 0)
        {
            if (keyLine != 0)
            {
                fault(keyLine, "the text " + Quoted(key) + " has no \"" + language.prefix + "\" line after it");
            }
            key = text.substr(4);
            keyLine = line;
        }
        else if (text.compare(0, language.prefix.size(), language.prefix) == 0)
        {
            if (keyLine == 0)
            {
                fault(line, "a translation without an \"en: \" line before it");
                continue;
            }
            const auto [entry, added] = table.entries.emplace(key, TranslationEntry{text.substr(language.prefix.size()), keyLine});
            if (!added)
            {
                fault(keyLine, "the text " + Quoted(key) + " has an entry already at line " +
                                   std::to_string(entry->second.line));
            }
            keyLine = 0;
        }
        else
        {
            fault(line, "neither a comment nor an \"en: \" or \"" + language.prefix + "\" line");
        }
    }
    if (keyLine != 0)
    {
        fault(keyLine, "the text " + Quoted(key) + " has no \"" + language.prefix + "\" line after it");
    }
    return table;
}

std::set<std::string> ReadTranslationNames(const fs::path& file, std::vector<std::string>& problems)
{
    std::set<std::string> names;
    std::ifstream stream(file);
    if (!stream)
    {
        problems.push_back(file.string() + ": cannot be read");
        return names;
    }
    for (std::string line; std::getline(stream, line);)
    {
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
        if (!line.empty() && line[0] != '#')
        {
            names.insert(line);
        }
    }
    return names;
}

bool CollectTexts(const std::string& contents, bool script, std::vector<std::string>& texts, std::string& problem)
{
    TiXmlDocument document;
    std::vector<std::string> all;
    if (!ParseDocument(contents, document, problem) || !AllTexts(document, script, all, problem))
    {
        return false;
    }
    texts.clear();
    std::copy_if(all.begin(), all.end(), std::back_inserter(texts), [](const std::string& text) { return !text.empty(); });
    return true;
}

bool TranslateContents(const std::string& contents, bool script, const std::map<std::string, std::string>& translations,
                       std::string& copy, std::string& problem)
{
    TiXmlDocument base;
    std::vector<std::string> texts;
    std::vector<TextPlace> places;
    if (!ParseDocument(contents, base, problem) || !AllTexts(base, script, texts, problem) ||
        !FindTextPlaces(contents, script, places, problem))
    {
        return false;
    }
    if (places.size() != texts.size())
    {
        problem = "its texts cannot be placed: write each as " +
                  std::string(script ? "the content of a <dialogbox> or <dialogtextsequence> element"
                                     : "<property name=\"Text\" value=\"...\"/>");
        return false;
    }
    copy.clear();
    std::size_t at = 0;
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < texts.size(); ++i)
    {
        copy.append(contents, at, places[i].begin - at);
        at = places[i].end;
        if (texts[i].empty())
        {
            copy.append(contents, places[i].begin, places[i].end - places[i].begin);
            expected.emplace_back();
            continue;
        }
        const auto found = translations.find(texts[i]);
        if (found == translations.end())
        {
            problem = "no entry for the text\n  " + std::string(kKeyPrefix) + texts[i];
            return false;
        }
        std::string written;
        if (script && !ContentXml(found->second, written, problem))
        {
            return false;
        }
        copy += script ? written : Escaped(found->second, true);
        expected.push_back(found->second);
    }
    copy.append(contents, at, std::string::npos);

    TiXmlDocument translated;
    std::vector<std::string> readBack;
    if (!ParseDocument(copy, translated, problem) || !AllTexts(translated, script, readBack, problem))
    {
        problem = "the copy would not read: " + problem;
        return false;
    }
    for (std::size_t i = 0; i < expected.size() && i < readBack.size(); ++i)
    {
        if (readBack[i] != expected[i])
        {
            problem = "the translation " + Quoted(expected[i]) + " reads back as " + Quoted(readBack[i]) +
                      " (the reader drops spaces at the start, at the end, beside {br} and {space N}, "
                      "and joins spaces in a row)";
            return false;
        }
    }
    if (readBack.size() != expected.size() || FormWithoutTexts(base, script) != FormWithoutTexts(translated, script))
    {
        problem = "the copy would differ from its base in more than its texts";
        return false;
    }
    return true;
}

fs::path TranslationTablesFolder()
{
    return QUARROW_TRANSLATION_TABLES;
}

std::vector<std::string> FindTranslationProblems(const fs::path& media, const fs::path& tables,
                                                 const TranslationLanguage& language)
{
    std::vector<std::string> problems;
    const std::set<std::string> names = ReadTranslationNames(tables / "names.txt", problems);
    const TranslationTable table = ReadTranslationTable(tables / language.name, language, problems);
    std::map<std::string, std::string> translations;
    for (const auto& [key, entry] : table.entries)
    {
        translations[key] = entry.translation;
        const std::string where = table.file + ":" + std::to_string(entry.line) + ": ";
        if (entry.translation.empty())
        {
            problems.push_back(where + "the text " + Quoted(key) + " has an empty translation");
        }
        else if (entry.translation == key && HasLetters(key) && names.count(key) == 0)
        {
            problems.push_back(where + "the text " + Quoted(key) +
                               " is not translated (only texts without letters and the names of names.txt "
                               "may stay as they are)");
        }
        if (!entry.translation.empty() && entry.translation[0] == '@')
        {
            problems.push_back(where + "the translation " + Quoted(entry.translation) +
                               " starts with \"@\" and would show as a localizer key");
        }
    }
    std::set<std::string> used;
    for (const std::string& file : TranslatedBaseFiles(media))
    {
        const std::string where = language.name + ": " + file + ": ";
        std::string contents;
        std::string problem;
        std::vector<std::string> texts;
        if (!ReadWholeFile(media / file, contents))
        {
            problems.push_back(where + "cannot be read");
            continue;
        }
        if (!CollectTexts(contents, IsScriptPath(file), texts, problem))
        {
            problems.push_back(where + problem);
            continue;
        }
        for (const std::string& text : texts)
        {
            used.insert(text);
            if (text[0] == '@')
            {
                problems.push_back(where + "the text " + Quoted(text) + " starts with \"@\" and would show as a localizer key");
            }
            if (translations.count(text) == 0)
            {
                problems.push_back(where + "no entry for the text\n  " + kKeyPrefix + text);
            }
        }
        std::string copy;
        if (std::all_of(texts.begin(), texts.end(), [&](const std::string& text) { return translations.count(text) > 0; }) &&
            !TranslateContents(contents, IsScriptPath(file), translations, copy, problem))
        {
            problems.push_back(where + problem);
        }
    }
    for (const auto& [key, entry] : table.entries)
    {
        if (used.count(key) == 0)
        {
            problems.push_back(table.file + ":" + std::to_string(entry.line) + ": the entry for " + Quoted(key) +
                               " is used by no file");
        }
    }
    return problems;
}

const char* TranslateUsage()
{
    return "  translate <media folder> [<tables folder>]\n"
           "      writes the german, french, spanish and italian copies of the layouts and scripts a player\n"
           "      reads from their English base files and the translation tables\n";
}

int RunTranslateCommand(const std::vector<std::string>& arguments)
{
    if (arguments.empty() || arguments.size() > 2 || arguments[0].empty())
    {
        std::fprintf(stderr, "usage:\n%s", TranslateUsage());
        return 2;
    }
    const fs::path media = arguments[0];
    const fs::path tables = arguments.size() > 1 ? fs::path(arguments[1]) : TranslationTablesFolder();
    bool sound = true;
    for (const TranslationLanguage& language : TranslationLanguages())
    {
        for (const std::string& problem : FindTranslationProblems(media, tables, language))
        {
            std::fprintf(stderr, "%s\n", problem.c_str());
            sound = false;
        }
    }
    if (!sound)
    {
        std::fprintf(stderr, "no copy written\n");
        return 1;
    }
    int written = 0;
    bool failed = false;
    const std::vector<std::string> files = TranslatedBaseFiles(media);
    for (const TranslationLanguage& language : TranslationLanguages())
    {
        std::vector<std::string> problems;
        std::map<std::string, std::string> translations;
        for (const auto& [key, entry] : ReadTranslationTable(tables / language.name, language, problems).entries)
        {
            translations[key] = entry.translation;
        }
        for (const std::string& file : files)
        {
            std::string contents;
            std::string copy;
            std::string problem;
            const fs::path target = media / TranslatedCopyPath(file, language.name);
            std::error_code error;
            fs::create_directories(target.parent_path(), error);
            if (!ReadWholeFile(media / file, contents) ||
                !TranslateContents(contents, IsScriptPath(file), translations, copy, problem) ||
                !WriteMediaFile(media.string(), TranslatedCopyPath(file, language.name), copy))
            {
                std::fprintf(stderr, "%s: %s: not written %s\n", language.name.c_str(), file.c_str(), problem.c_str());
                failed = true;
                continue;
            }
            ++written;
        }
    }
    std::printf("%d copies written\n", written);
    return failed ? 1 : 0;
}

} // namespace MediaGen
