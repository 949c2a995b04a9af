#pragma once

#include "framework/SceneGraphNode.h"

#include <memory>

namespace Qen
{
struct CLightDescription;
}

namespace GameLib
{

// A leaf that places a light: it hands the renderer its light record with the node's world position and
// direction written in.
class CLightSourceNode : public CSceneGraphNode
{
public:
    // A light of type 1, white, pointing along +Y, range the largest float, attenuation (0, 0, 1), cone
    // angles pi/8 and pi/8 + 0.1, falloff 1, casting no shadow.
    CLightSourceNode();

    // A new detached light node; null when allocation fails.
    static CLightSourceNode* Create();

    void Release(bool deleteChildren) override;
    bool IsKindOf(const std::type_info& type) const override;

    // Writes the world matrix's fourth row (translation) as the position and its third row (Z axis, not
    // normalised) as the direction, and returns the light.
    Qen::CLightDescription* GetLight();

protected:
    ~CLightSourceNode() override;

private:
    std::unique_ptr<Qen::CLightDescription> m_light;
};

} // namespace GameLib
