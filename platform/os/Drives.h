#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The machine's drives: the root folder and the mount points of the system's mount table, each with a
// kind and the volume label the system knows for its device.
namespace Platform
{

// Drive kinds, numbered as the file browser's icons expect them.
enum class DriveKind : std::int32_t
{
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5
};

struct DriveInfo
{
    std::string root; // the mount point, absolute, without a trailing "/" except for "/" itself
    DriveKind kind = DriveKind::Fixed;
    std::string label; // empty when the device has none the system knows
};

// Where the drive list reads from; the defaults are the system's own.
struct DriveSources
{
    // The mount table's text, one mount a line: device, mount point, file system type, ...
    std::string mountTable;
    // A folder of links named by volume label, each pointing to its device.
    std::string labelFolder = "/dev/disk/by-label";
    // Whether a mount point is a folder.
    std::function<bool(const std::string&)> isFolder;
};

// The sources of the running system: /proc/self/mounts, /dev/disk/by-label and the file system.
DriveSources SystemDriveSources();

// "/" always, plus every mount point of the table that is a folder and not a kernel or pseudo file
// system, each root once, sorted by the bytes of the roots. Octal escapes of the table ("\040" for a
// blank) are decoded. Kinds: network file systems remote, iso9660 and udf CD-ROM, mounts under /media/
// or /run/media/ removable, every other fixed.
std::vector<DriveInfo> ListDrives(const DriveSources& sources);
std::vector<DriveInfo> ListDrives();

} // namespace Platform
