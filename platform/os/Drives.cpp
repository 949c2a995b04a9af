#include "platform/os/Drives.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <system_error>

namespace Platform
{

namespace
{

namespace fs = std::filesystem;

// The mount table writes blanks, tabs, newlines and backslashes in names as "\" and three octal digits.
std::string DecodeOctalEscapes(const std::string& text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\\' && i + 3 < text.size())
        {
            bool octal = true;
            int value = 0;
            for (std::size_t k = 1; octal && k <= 3; ++k)
            {
                const char digit = text[i + k];
                octal = digit >= '0' && digit <= '7';
                value = value * 8 + (digit - '0');
            }
            if (octal && value < 256)
            {
                decoded.push_back(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        decoded.push_back(text[i]);
    }
    return decoded;
}

// udev names its label links with "\x" and two hex digits for bytes it does not keep as they are.
std::string DecodeHexEscapes(const std::string& text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 3])))
        {
            decoded.push_back(static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16)));
            i += 3;
            continue;
        }
        decoded.push_back(text[i]);
    }
    return decoded;
}

bool IsPseudoFileSystem(const std::string& type)
{
    static const std::set<std::string> pseudo = {
        "proc",       "sysfs",     "cgroup",   "cgroup2",  "devtmpfs",   "devpts",    "tmpfs",
        "squashfs",   "securityfs", "debugfs", "tracefs",  "configfs",   "fusectl",   "mqueue",
        "hugetlbfs",  "pstore",    "bpf",      "binfmt_misc", "autofs",  "efivarfs",  "ramfs",
        "rpc_pipefs", "nsfs",      "fuse.gvfsd-fuse", "fuse.portal", "selinuxfs", "rootfs"};
    return pseudo.count(type) != 0;
}

bool IsNetworkFileSystem(const std::string& type)
{
    static const std::set<std::string> network = {"nfs",  "nfs4",     "cifs",       "smb3",       "smbfs",
                                                  "ncpfs", "afs",     "9p",         "fuse.sshfs", "sshfs",
                                                  "davfs", "fuse.davfs2", "ceph",   "glusterfs",  "fuse.glusterfs"};
    return network.count(type) != 0;
}

DriveKind KindOf(const std::string& root, const std::string& type)
{
    if (IsNetworkFileSystem(type))
    {
        return DriveKind::Remote;
    }
    if (type == "iso9660" || type == "udf")
    {
        return DriveKind::CdRom;
    }
    if (root.starts_with("/media/") || root.starts_with("/run/media/"))
    {
        return DriveKind::Removable;
    }
    return DriveKind::Fixed;
}

// The device a path names once every link is followed; the path itself when it cannot be resolved.
std::string ResolvedDevice(const std::string& device)
{
    std::error_code error;
    const fs::path resolved = fs::canonical(device, error);
    return error ? device : resolved.string();
}

// The label whose link in the label folder leads to the device; empty when none does.
std::string LabelOf(const std::string& device, const std::string& labelFolder)
{
    if (device.empty() || device[0] != '/' || labelFolder.empty())
    {
        return {};
    }
    const std::string wanted = ResolvedDevice(device);
    std::error_code error;
    fs::directory_iterator it(labelFolder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error))
    {
        if (ResolvedDevice(it->path().string()) == wanted)
        {
            return DecodeHexEscapes(it->path().filename().string());
        }
    }
    return {};
}

} // namespace

DriveSources SystemDriveSources()
{
    DriveSources sources;
    std::ifstream table("/proc/self/mounts", std::ios::binary);
    sources.mountTable.assign(std::istreambuf_iterator<char>(table), std::istreambuf_iterator<char>());
    sources.isFolder = [](const std::string& path) {
        std::error_code error;
        return fs::is_directory(path, error);
    };
    return sources;
}

std::vector<DriveInfo> ListDrives(const DriveSources& sources)
{
    std::vector<DriveInfo> drives;
    std::set<std::string> roots;
    std::istringstream lines(sources.mountTable);
    std::string line;
    bool rootListed = false;
    while (std::getline(lines, line))
    {
        std::istringstream fields(line);
        std::string device;
        std::string mountPoint;
        std::string type;
        if (!(fields >> device >> mountPoint >> type))
        {
            continue;
        }
        std::string root = DecodeOctalEscapes(mountPoint);
        while (root.size() > 1 && root.back() == '/')
        {
            root.pop_back();
        }
        if (root.empty() || root[0] != '/' || IsPseudoFileSystem(type) || roots.count(root) != 0)
        {
            continue;
        }
        if (root != "/" && sources.isFolder && !sources.isFolder(root))
        {
            continue;
        }
        roots.insert(root);
        rootListed = rootListed || root == "/";
        drives.push_back({root, KindOf(root, type), LabelOf(DecodeOctalEscapes(device), sources.labelFolder)});
    }
    if (!rootListed)
    {
        drives.push_back({"/", DriveKind::Fixed, {}});
    }
    std::sort(drives.begin(), drives.end(), [](const DriveInfo& a, const DriveInfo& b) { return a.root < b.root; });
    return drives;
}

std::vector<DriveInfo> ListDrives()
{
    return ListDrives(SystemDriveSources());
}

} // namespace Platform
