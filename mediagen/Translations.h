#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

// The language copies of the files a player reads: the menus' and screens' layouts that the game loads
// through its file translator, and every cut-scene script. Each copy is its base file (English) with its
// texts replaced from the language's table, everything else kept byte for byte.
//
// A table ("mediagen/translations/<language>", UTF-8) pairs each English text, exactly as its base file
// holds it, with its translation:
//
//   # a comment line
//   en: Where to next?
//   de: Wohin als Nächstes?
//
// The text is everything after "en: " (or the language's own prefix) up to the end of the line, spaces
// included. A layout's text is the value of a "Text" property; a script's text is the content of a
// "dialogbox" or "dialogtextsequence" element, written with "{br}" for each "br" element and "{space N}"
// for each "space" element of width N, and with the spaces the reader keeps (none at the start, none at
// the end, none beside a "{br}", never two in a row). A translation may place its "{br}" and "{space N}"
// differently from its key. "mediagen/translations/names.txt" lists, one a line, the names of people
// and places that may stand untranslated.
namespace MediaGen
{

struct TranslationLanguage
{
    std::string name;   // the language folder's name without "/" and the table's file name
    std::string prefix; // the table's prefix of a translation line, such as "de: "
};

// German, French, Spanish and Italian; English is the base and has no copies.
const std::vector<TranslationLanguage>& TranslationLanguages();

// The layouts below media/interface that the game reads through the translator and that carry words.
const std::vector<std::string>& TranslatedLayouts();

// The base files of a media folder, relative to it with "/" separators: "interface/<layout>" for each
// translated layout, then every script below "sequences/" outside a language folder, sorted.
std::vector<std::string> TranslatedBaseFiles(const std::filesystem::path& media);

// The relative path of a base file's copy: the language folder inserted before the file name.
std::string TranslatedCopyPath(const std::string& baseFile, const std::string& language);

// Whether a relative path names a script (below "sequences/") rather than a layout.
bool IsScriptPath(const std::string& relativePath);

struct TranslationEntry
{
    std::string translation;
    int line = 0; // of the key's line in the table
};

struct TranslationTable
{
    std::string file; // for messages
    std::map<std::string, TranslationEntry> entries;
};

// Reads a table; every fault (an unknown line, a key without its translation line, a key written twice,
// an unreadable file) is added to problems as "<file>:<line>: <what>". The entries read are kept.
TranslationTable ReadTranslationTable(const std::filesystem::path& file, const TranslationLanguage& language,
                                      std::vector<std::string>& problems);

// Reads the list of names that may stand untranslated (blank lines and "#" comments skipped).
std::set<std::string> ReadTranslationNames(const std::filesystem::path& file, std::vector<std::string>& problems);

// The texts of a base file in document order, in the table's form (empty texts left out). Answers false
// with the reason when the file does not read as XML or holds a text the table cannot carry.
bool CollectTexts(const std::string& contents, bool script, std::vector<std::string>& texts, std::string& problem);

// The copy of a base file: its bytes with each text replaced by translations[text]. Answers false with
// the reason when a text has no translation (the reason then starts with "no entry for"), a translation
// cannot be written as it stands, or the copy would not read back with exactly the translations.
bool TranslateContents(const std::string& contents, bool script,
                       const std::map<std::string, std::string>& translations, std::string& copy,
                       std::string& problem);

// Every fault of one language's table against the base files of a media folder: the table's own faults,
// a text of a base file without an entry (naming the language, the file and the text, with the key line
// to add), an entry no file uses, an entry left as its key although the text has letters and is no name
// of the list, an empty translation, a base text or a translation starting with "@" (the localizer would
// show it as a key). Empty when the language's copies can be written.
std::vector<std::string> FindTranslationProblems(const std::filesystem::path& media,
                                                 const std::filesystem::path& tables,
                                                 const TranslationLanguage& language);

// The folder of the committed tables.
std::filesystem::path TranslationTablesFolder();

// "translate <media folder> [<tables folder>]": checks every table against the media folder's base
// files and, when none has a fault, writes every language's copy of every base file beside it. With a
// fault it prints each one and writes nothing. Answers the process's exit code (1 for a fault or a file
// that cannot be written, 2 for bad arguments).
int RunTranslateCommand(const std::vector<std::string>& arguments);

// The translate command's part of the usage text.
const char* TranslateUsage();

} // namespace MediaGen
