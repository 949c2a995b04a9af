#include "game/savegame/SaveGameList.h"

#include "foundation/Archive.h"
#include "foundation/Debug.h"
#include "game/savegame/ByteBufferStream.h"
#include "platform/os/FileReplace.h"
#include "platform/os/Files.h"
#include "platform/os/UserFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace
{

// The 32-bit big-endian value at offset; the caller checks that four bytes are there.
std::int32_t BigEndianAt(std::string_view bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
    {
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    }
    return static_cast<std::int32_t>(value);
}

bool PathExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(Platform::LocateFile(path), error);
}

} // namespace

CSaveGameList::CSaveGameList() = default;

CSaveGameList::~CSaveGameList() = default;

CQuarrowSaveGame* CSaveGameList::Get(std::int32_t index) const
{
    if (index < 0 || index >= GetCount())
    {
        BaseLib::DebugOutput("Saved games: no profile %d in a list of %d\n", index, GetCount());
        return nullptr;
    }
    return m_SaveGames[static_cast<std::size_t>(index)].get();
}

CQuarrowSaveGame* CSaveGameList::GetCurrent() const
{
    if (m_SaveGames.empty() || m_CurrentIndex < 0 || m_CurrentIndex >= GetCount())
    {
        return nullptr;
    }
    return m_SaveGames[static_cast<std::size_t>(m_CurrentIndex)].get();
}

bool CSaveGameList::SetCurrentIndex(std::int32_t index)
{
    if (Get(index) == nullptr)
    {
        return false;
    }
    m_CurrentIndex = index;
    return true;
}

std::int32_t CSaveGameList::Add()
{
    m_SaveGames.push_back(std::make_unique<CQuarrowSaveGame>());
    m_CurrentIndex = GetCount() - 1;
    return m_CurrentIndex;
}

std::int32_t CSaveGameList::AddCopy(std::int32_t index)
{
    const CQuarrowSaveGame* original = Get(index);
    if (original == nullptr)
    {
        return -1;
    }
    auto copy = std::make_unique<CQuarrowSaveGame>();
    copy->Assign(*original);
    m_SaveGames.push_back(std::move(copy));
    m_CurrentIndex = GetCount() - 1;
    return m_CurrentIndex;
}

void CSaveGameList::Delete(std::int32_t index)
{
    if (Get(index) == nullptr)
    {
        return;
    }
    m_SaveGames.erase(m_SaveGames.begin() + index);
    if (m_CurrentIndex >= GetCount())
    {
        --m_CurrentIndex;
    }
}

void CSaveGameList::Clear()
{
    m_SaveGames.clear();
    m_CurrentIndex = -1;
}

std::string CSaveGameList::WriteToBytes() const
{
    CByteBufferStream stream;
    {
        BaseLib::CArchiveBinaryStream archive(&stream, BaseLib::CArchive::ModeSave);
        std::int32_t current = m_CurrentIndex;
        std::int32_t count = GetCount();
        archive.Serialize(current);
        archive.Serialize(count);
        for (const auto& saveGame : m_SaveGames)
        {
            saveGame->Serialize(archive);
        }
    }
    return stream.GetBytes();
}

bool CSaveGameList::ParseBytes(std::string_view bytes, const std::string& sourceName, ParseFault& fault)
{
    CByteBufferStream stream{std::string(bytes)};
    BaseLib::CArchiveBinaryStream archive(&stream, BaseLib::CArchive::ModeLoad);
    const auto fail = [&fault](std::size_t offset, std::string reason) {
        fault.offset = offset;
        fault.reason = std::move(reason);
        return false;
    };

    std::int32_t current = -1;
    std::int32_t count = 0;
    archive.Serialize(current);
    archive.Serialize(count);
    if (archive.HasFailed())
    {
        return fail(bytes.size(), "the data ends inside the header");
    }
    if (count < 0 || count > MaxCount)
    {
        return fail(4, "a profile count of " + std::to_string(count) + ", outside 0.." +
                           std::to_string(MaxCount));
    }

    std::vector<std::unique_ptr<CQuarrowSaveGame>> saveGames;
    for (std::int32_t i = 0; i < count; ++i)
    {
        const auto start = static_cast<std::size_t>(stream.Tell());
        if (bytes.size() - start < 4)
        {
            return fail(bytes.size(), "the data ends inside profile " + std::to_string(i));
        }
        const std::int32_t nameLength = BigEndianAt(bytes, start);
        if (nameLength < 0 || nameLength > CQuarrowSaveGame::MaxNameLength)
        {
            return fail(start, "profile " + std::to_string(i) + " has a name length of " +
                                   std::to_string(nameLength) + ", outside 0.." +
                                   std::to_string(CQuarrowSaveGame::MaxNameLength));
        }
        auto saveGame = std::make_unique<CQuarrowSaveGame>();
        const ProgressRecord::ReadFault readFault = saveGame->Serialize(archive);
        if (archive.HasFailed())
        {
            return fail(bytes.size(), "the data ends inside profile " + std::to_string(i));
        }
        if (readFault != ProgressRecord::ReadFault::None)
        {
            // Both faults lie in the 4-byte integer read last.
            return fail(static_cast<std::size_t>(stream.Tell()) - 4,
                        "profile " + std::to_string(i) + " holds " + DescribeReadFault(readFault));
        }
        saveGames.push_back(std::move(saveGame));
    }
    if (!stream.IsAtEnd())
    {
        const auto end = static_cast<std::size_t>(stream.Tell());
        const std::size_t extra = bytes.size() - end;
        return fail(end, extra == 1 ? std::string("1 byte follows the last profile")
                                    : std::to_string(extra) + " bytes follow the last profile");
    }

    if (count > 0 && (current < 0 || current >= count))
    {
        BaseLib::DebugOutput(
            "Saved games: %s names profile %d as current in a list of %d; profile 0 becomes current\n",
            sourceName.c_str(), current, count);
        current = 0;
    }
    m_SaveGames = std::move(saveGames);
    m_CurrentIndex = current;
    return true;
}

std::string CSaveGameList::MoveAside(const std::string& path)
{
    for (int attempt = 0; attempt < 10000; ++attempt)
    {
        const std::string target =
            path + ".damaged" + (attempt == 0 ? std::string() : std::to_string(attempt));
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::symlink_status(target, error)))
        {
            continue;
        }
        std::filesystem::rename(path, target, error);
        return error ? std::string() : target;
    }
    return std::string();
}

bool CSaveGameList::Load()
{
    const std::string path =
        Platform::LocateFile(Platform::UserFileReadPath(Platform::UserFileKind::Data, FileName));
    m_OwnedPath.clear();

    std::ifstream file;
    if (!Platform::OpenFileStream(file, path, std::ios::in | std::ios::binary))
    {
        const int reason = errno;
        if (!PathExists(path))
        {
            m_OwnedPath = path;
            return false;
        }
        BaseLib::DebugOutput("Saved games: %s cannot be read (%s)\n", path.c_str(),
                             reason != 0 ? std::strerror(reason) : "not a file");
        return false;
    }

    std::string bytes;
    ParseFault fault;
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0, std::ios::beg);
    if (size < 0 || static_cast<std::uint64_t>(size) > MaxFileSize)
    {
        fault.offset = MaxFileSize;
        fault.reason = "the file is larger than " + std::to_string(MaxFileSize >> 20) + " MiB";
    }
    else
    {
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        if (file.bad())
        {
            BaseLib::DebugOutput("Saved games: %s cannot be read\n", path.c_str());
            return false;
        }
        file.close();
        if (ParseBytes(bytes, path, fault))
        {
            m_OwnedPath = path;
            return true;
        }
    }
    file.close();

    const std::string movedTo = MoveAside(path);
    if (movedTo.empty())
    {
        BaseLib::DebugOutput(
            "Saved games: %s refused at byte %zu: %s; it could not be renamed and stays as it is\n",
            path.c_str(), fault.offset, fault.reason.c_str());
    }
    else
    {
        BaseLib::DebugOutput("Saved games: %s refused at byte %zu: %s; moved to %s\n", path.c_str(),
                             fault.offset, fault.reason.c_str(), movedTo.c_str());
    }
    return false;
}

bool CSaveGameList::Save()
{
    const std::string bytes = WriteToBytes();
    const std::string path = Platform::UserFilePath(Platform::UserFileKind::Data, FileName);
    if (Platform::LocateFile(path) != m_OwnedPath && PathExists(path))
    {
        BaseLib::DebugOutput("Saved games: %s not written: the file exists and this list has not read it\n",
                             path.c_str());
        return false;
    }
    CSaveGameList readBack;
    ParseFault fault;
    if (!readBack.ParseBytes(bytes, path, fault))
    {
        BaseLib::DebugOutput("Saved games: %s not written: the list would not read back (byte %zu: %s)\n",
                             path.c_str(), fault.offset, fault.reason.c_str());
        return false;
    }
    errno = 0;
    if (!Platform::ReplaceFileContents(path, bytes))
    {
        const int reason = errno;
        BaseLib::DebugOutput("Saved games: %s could not be written (%s); the file keeps what it held\n",
                             path.c_str(), reason != 0 ? std::strerror(reason) : "reason unknown");
        return false;
    }
    m_OwnedPath = Platform::LocateFile(path);
    return true;
}
