#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace MediaGen
{

// "game": writes the game's content (models, camera flights, environments, effects, sounds, levels,
// the cursor and the icon) into a media folder in the layout the game's path aliases expect. Every
// file is written whole or not at all. Answers the process's exit code (1 when the folder cannot be
// made or a file cannot be written, 2 for bad arguments).
int RunGameCommand(const std::vector<std::string>& arguments);

// The game command's part of the usage text.
const char* GameUsage();

// The sub-folders of a media folder, every name lower case, in the order they are made.
const std::vector<std::string>& GameMediaFolders();

// Writes contents as the whole file media/relativePath (the folder must exist). Replaces an existing
// file atomically, so an interrupted run never leaves a half-written file. On failure prints a line
// naming the file and answers false.
bool WriteMediaFile(const std::string& media, const std::string& relativePath, std::string_view contents);

// Each group of content has one writer, called by the game command in this order. A writer writes
// every file of its group into the media folder (whose sub-folders exist) and answers false when one
// of them could not be written; it goes on with the rest of its files first.
using GameMediaWriter = bool (*)(const std::string& media);
const std::vector<GameMediaWriter>& GameMediaWriters();

// The sounds of the menus, the blocks, the intro camera, the screenshot key and the title tune.
bool WriteGameSounds(const std::string& media);

// The faces of the puzzle screens' buttons (interface/hud/): the HUD's undo, redo and menu icons and the
// plain faces of the menu and dialog buttons, each normal, pressed ("_down") and under the mouse ("_over").
bool WriteHudImages(const std::string& media);

// The map screen's pictures (interface/mapscreen/): the HUD's keys, gold, coin and pylon, the frames of the
// map-selection dialog and the cut-scene window, and the four regions' button faces with the locked one.
bool WriteMapScreenImages(const std::string& media);

// The treasury's pictures (interface/treasury/): the page's background, the placeholder of a row not yet
// open, and the eleven hoard pictures treasure0.png (an empty chest) to treasure10.png.
bool WriteTreasuryImages(const std::string& media);

// The pictures of the book menus and the profile page (interface/menu_*.png): the open book, button
// faces in their states, the profile page's icons, gold pieces, check marks and the rename cursor.
bool WriteMenuImages(const std::string& media);

// The layouts of the book menus (interface/): the book with its page frames and page turns, the pages
// of the main menu, game menu, free play, level selection, result, options and language, and the
// profile page.
bool WriteMenuLayouts(const std::string& media);

// The five logos shown before the main menu (interface/logo_*.png, 1024 x 768).
bool WriteLogoImages(const std::string& media);

// The cut-scene dialog box's media: its two fonts' strips (interface/fonts/adventure17.png, dark letters,
// and adventure17_white.png, white ones), the six speech-box pictures (interface/*_seq_textbox*.png) and
// the typing tick (sounds/tick.wav).
bool WriteDialogMedia(const std::string& media);

// The map editor's pictures (interface/): the selection marker and the level list's three icons for a
// level no cell, one cell or several cells start.
bool WriteMapEditorImages(const std::string& media);

// The pictures of the story's cut-scenes (interface/sequences/<region>/<scene>.png).
bool WriteStoryImages(const std::string& media);

// The sounds of the story's cut-scenes (sounds/story/).
bool WriteStorySounds(const std::string& media);

// The effect files of the lit scene (shader/) and the particle texture (textures/floating.tga).
bool WriteGameEffects(const std::string& media);

} // namespace MediaGen
