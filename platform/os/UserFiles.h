#pragma once

#include <string>
#include <string_view>

// Where the player's own files live (the configuration, saved games, screenshots). By default beside
// the program's run: relative to the working folder, which the program never changes. When no file can
// be created in the working folder, or the working folder is the player's home folder itself, the files
// go to the player's folders by the XDG base-directory convention instead.
namespace Platform
{

enum class UserFileKind
{
    Config, // $XDG_CONFIG_HOME/quarrow/ (default $HOME/.config/quarrow/)
    Data    // $XDG_DATA_HOME/quarrow/ (default $HOME/.local/share/quarrow/): saved games, screenshots
};

// What the working folder is like and what the environment says, the whole input of the choice.
// An environment value that is empty stands for an unset variable.
struct UserFolderFacts
{
    bool workingFolderWritable = true;
    bool workingFolderIsHome = false;
    std::string_view home;
    std::string_view xdgConfigHome;
    std::string_view xdgDataHome;
};

struct UserFolderChoice
{
    enum class Place
    {
        WorkingFolder, // names stay relative to the working folder
        UserFolder,    // names go below `folder`
        NoUserFolder   // the user folder is needed but cannot be named: names stay as they are
    };
    Place place = Place::WorkingFolder;
    // For UserFolder: the absolute folder, ending in "/quarrow/". Empty otherwise.
    std::string folder;
};

// The choice itself, a pure function of the facts: the working folder while it is writable and not the
// home folder; else the XDG folder of the kind. A variable that is empty or not an absolute path is
// ignored, as the convention says; HOME counts only when absolute too.
UserFolderChoice ChooseUserFolder(UserFileKind kind, const UserFolderFacts& facts);

// The path to write the player's file `name` (which may carry a sub-folder, "video/frame0001.png").
// Decided again at each call: the working folder is probed by creating a uniquely named file there
// exclusively and removing it at once. In the user folder the folders on the way are made when missing
// (mode 0700 for those this call creates); the first call of the process that picks the user folders
// traces one line naming them. With no usable home, or a folder that cannot be made, answers `name`
// itself after one trace line saying why (the write that follows then fails on its own).
std::string UserFilePath(UserFileKind kind, const std::string& name);

// The path to read the player's file `name`: in the working folder, `name` itself. With the user
// folders: the user folder's file when it exists, else the working folder's file when that exists (a
// file shipped beside the program, or one from before the folder became unwritable: read, never
// changed), else the user folder's path. Makes no folder.
std::string UserFileReadPath(UserFileKind kind, const std::string& name);

} // namespace Platform
