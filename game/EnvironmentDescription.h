#pragma once

#include "foundation/Vector.h"

#include <string>
#include <vector>

// One light of a level's environment: a unit direction, a colour (red, green, blue) and whether it
// casts a shadow map.
struct LightDescription
{
    BaseLib::CVector3 direction{0.0f, 1.0f, 0.0f};
    BaseLib::CVector3 colour{1.0f, 1.0f, 1.0f};
    bool shadow = true;
};

// A level's surroundings as its environment file describes them: the model shown around the board, the
// cut-scene script the puzzle screens play, and the lights.
struct EnvironmentDescription
{
    // The resolved path last read.
    std::string fileName;
    // The model file under "model>"; without an extension ".x" is meant. Empty: no model.
    std::string modelName;
    std::string sequenceName;
    std::vector<LightDescription> lights;
};

// Reads the environment file at the resolved path into description. The root must be "environment";
// "model" and "sequence" give their "name" (empty when absent); "lights" replaces the light list (a file
// without it has no lights). A direction that is zero or not finite counts as absent (traced). False
// when the file cannot be read or has another root: the names are then empty and the lights kept.
bool LoadEnvironmentDescription(EnvironmentDescription& description, const std::string& path);

// The file the environment model node loads for a model name: none for an empty name, "model>" + name
// with ".x" appended when the name has no extension.
std::string EnvironmentModelFile(const std::string& modelName);
