#include "puzzle/EditablePuzzle.h"

#include "puzzle/Block.h"

#include "foundation/Archive.h"
#include "foundation/Debug.h"
#include "foundation/Xml.h"

void CEditablePuzzle::Update(double dt)
{
    CEndlessPlayPuzzle::Update(dt);
    m_grid.CheckConsistency();
}

bool CEditablePuzzle::SaveXml(const std::string& fileName)
{
    m_fileName = fileName;
    TiXmlDocument document;
    TiXmlElement root("puzzle");
    root.SetAttribute("gridsizex", m_width);
    root.SetAttribute("gridsizey", m_height);
    root.SetAttribute("minsolvemoves", m_minSolveMoves);
    root.SetAttribute("parsolvemoves", m_parSolveMoves);
    const std::pair<const char*, const std::string*> names[] = {
        {"environment", &m_environmentName}, {"board", &m_boardName}, {"gfxset", &m_gfxSetName}};
    for (const auto& [element, name] : names)
    {
        TiXmlElement child(element);
        child.SetAttribute("name", name->c_str());
        root.InsertEndChild(child);
    }
    for (const CBlock* block : m_blocks)
    {
        TiXmlElement element("block");
        block->SaveXml(&element);
        root.InsertEndChild(element);
    }
    document.InsertEndChild(root);
    const std::string text = BaseLib::XmlDocumentToString(document);

    BaseLib::CArchiveBinaryFile archive(fileName, BaseLib::CArchive::ModeSave);
    const bool opened = archive.GetMode() == BaseLib::CArchive::ModeSave;
    if (opened)
    {
        archive.WriteBytes(text.data(), static_cast<uint32_t>(text.size()));
        archive.SerializeObjects();
    }
    if (!opened || archive.HasFailed())
    {
        BaseLib::DebugOutput("Puzzle: could not write \"%s\"\n", fileName.c_str());
        return false;
    }
    return true;
}

bool CEditablePuzzle::SaveBinary(const std::string& fileName)
{
    BaseLib::CArchiveBinaryFile archive(fileName, BaseLib::CArchive::ModeSave);
    m_fileName = fileName;
    // An archive that could not be opened reads in every call: nothing may go through it.
    if (archive.GetMode() != BaseLib::CArchive::ModeSave)
    {
        BaseLib::DebugOutput("Puzzle: could not write \"%s\"\n", fileName.c_str());
        return false;
    }
    int32_t values[] = {m_width, m_height, m_minSolveMoves, m_parSolveMoves};
    for (int32_t& value : values)
    {
        archive.Serialize(value);
    }
    std::string environment = m_environmentName;
    std::string board = m_boardName;
    std::string gfxSet = m_gfxSetName;
    BaseLib::SerializeString(archive, environment);
    BaseLib::SerializeString(archive, board);
    BaseLib::SerializeString(archive, gfxSet);
    int32_t count = static_cast<int32_t>(m_blocks.size());
    archive.Serialize(count);
    for (CBlock* block : m_blocks)
    {
        block->Serialize(archive);
    }
    archive.SerializeObjects();
    if (archive.HasFailed())
    {
        BaseLib::DebugOutput("Puzzle: could not write \"%s\"\n", fileName.c_str());
        return false;
    }
    return true;
}
