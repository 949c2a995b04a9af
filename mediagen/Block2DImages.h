#pragma once

#include <string>
#include <vector>

// The images of the 2D puzzle view: one per block type and link shape, named by the puzzle's own image
// table, and the empty grid cell. Every image is square with an alpha channel and is drawn scaled to one
// cell; a block's face is one colour around its middle, flat towards linked neighbours and rounded at
// its free ends.
namespace MediaGen
{

constexpr int Block2DImageSize = 128;
constexpr const char* GridCellImageName = "Puzzle2D/grid_cell.png";
// The grid cell's colour inside its rim; no block face comes near it.
constexpr int GridCellColour[3] = {44, 88, 108};

// One block image: its name as the 2D view asks for it and the links its shape shows.
struct Block2DImage
{
    std::string name;
    std::string type;
    bool north, south, east, west;
};

// Every block image the image table can name, each once, in table order.
std::vector<Block2DImage> Block2DImages();

// Where an image name lives below the media folder: in the theme folder "interface/standard/", lower case
// as the bitmap factory resolves it.
std::string Block2DImageFile(const std::string& imageName);

// Writes the grid cell and every block image as PNG files.
bool WriteBlock2DImages(const std::string& media);

} // namespace MediaGen
