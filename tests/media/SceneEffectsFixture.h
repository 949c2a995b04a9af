#pragma once

#include "tests/media/MediaFixture.h"

#include "engine/EffectShader.h"
#include "engine/Material.h"
#include "engine/MaterialFactory.h"
#include "platform/gfxkit/effect/Effect.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace MediaTesting
{

using namespace Platform::Gfx;

// An X file of one box from lo to hi with one plain material (no texture, so the converter gives it
// "std_untextured.fx"): four corners, a normal and texture coordinates per face, clockwise seen from
// outside as the engine's culling expects.
inline std::string BoxModel(const float lo[3], const float hi[3], const float rgb[3])
{
    // Per face: its outward axis and sign, then the axes u and v with u × v = −normal.
    const struct
    {
        int axis;
        float sign;
        int u;
        int v;
    } faces[6] = {{0, -1, 1, 2}, {0, 1, 2, 1}, {1, -1, 2, 0}, {1, 1, 0, 2}, {2, -1, 0, 1}, {2, 1, 1, 0}};
    std::string positions;
    std::string normals;
    std::string indices;
    std::string normalIndices;
    std::string uvs;
    const auto number = [](float f) { return std::to_string(f); };
    for (int f = 0; f < 6; ++f)
    {
        const int corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
        for (int c = 0; c < 4; ++c)
        {
            float p[3];
            for (int a = 0; a < 3; ++a)
            {
                p[a] = 0.5f * (lo[a] + hi[a]);
            }
            p[faces[f].axis] = faces[f].sign < 0 ? lo[faces[f].axis] : hi[faces[f].axis];
            p[faces[f].u] = corners[c][0] < 0 ? lo[faces[f].u] : hi[faces[f].u];
            p[faces[f].v] = corners[c][1] < 0 ? lo[faces[f].v] : hi[faces[f].v];
            positions += number(p[0]) + ";" + number(p[1]) + ";" + number(p[2]) + ";" + (f == 5 && c == 3 ? ";\n" : ",\n");
            uvs += std::string(c < 2 ? "0;" : "1;") + (c == 1 || c == 2 ? "0;" : "1;") + (f == 5 && c == 3 ? ";\n" : ",\n");
        }
        float n[3] = {0, 0, 0};
        n[faces[f].axis] = faces[f].sign;
        normals += number(n[0]) + ";" + number(n[1]) + ";" + number(n[2]) + ";" + (f == 5 ? ";\n" : ",\n");
        const std::string first = std::to_string(4 * f);
        indices += "4;" + first + "," + std::to_string(4 * f + 1) + "," + std::to_string(4 * f + 2) + "," +
                   std::to_string(4 * f + 3) + ";" + (f == 5 ? ";\n" : ",\n");
        const std::string k = std::to_string(f);
        normalIndices += "4;" + k + "," + k + "," + k + "," + k + ";" + (f == 5 ? ";\n" : ",\n");
    }
    return "xof 0303txt 0032\nMesh Box {\n24;\n" + positions + "6;\n" + indices + "MeshNormals {\n6;\n" + normals +
           "6;\n" + normalIndices + "}\nMeshTextureCoords {\n24;\n" + uvs +
           "}\nMeshMaterialList {\n1;\n6;\n0,0,0,0,0,0;\nMaterial {\n" + number(rgb[0]) + ";" + number(rgb[1]) + ";" +
           number(rgb[2]) + ";1.0;;\n0.0;\n0.0;0.0;0.0;;\n0.0;0.0;0.0;;\n}\n}\n}\n";
}

// The committed media behind the game's aliases, with the helpers of the effect checks.
class SceneEffectsFixture : public MediaFixture
{
protected:
    // The material of an effect file of the media folder, compiled now (or taken from the registry).
    BaseLib::CResourcePtr<Qen::CMaterial> Material(const std::string& file, bool clone = false)
    {
        BaseLib::CResourcePtr<Qen::CMaterial> material;
        controller.GetMaterialFactory()->GetMaterial("shader>" + file, material, clone);
        return material;
    }

    static Platform::GfxKit::Effect* EffectOf(const BaseLib::CResourcePtr<Qen::CMaterial>& material)
    {
        return material && material->GetEffectShader() != nullptr ? material->GetEffectShader()->GetEffect()
                                                                   : nullptr;
    }

    // Every effect file (".fx") of the committed shader folder, sorted.
    static std::vector<std::string> EffectFiles()
    {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(QUARROW_MEDIA_DIR "/shader"))
        {
            if (entry.path().extension() == ".fx")
            {
                files.push_back(entry.path().filename().string());
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    std::string Boxes() const
    {
        std::string text;
        for (const std::string& box : boxes)
        {
            text += box + "\n";
        }
        return text;
    }
};

} // namespace MediaTesting
