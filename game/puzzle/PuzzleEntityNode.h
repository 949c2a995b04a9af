#pragma once

#include "framework/GameEntityNode.h"

class CFloatingParticleSourceNode;
class CPuzzle;
class CQuarrowWorld;

// The 3D scene of one puzzle. Children after a build, in order: the board model; a transform holding one
// CMetaBlockEntityNode per piece, each holding the CBlockEntityNodes of its blocks; the transform above
// the board's centre where the floating particles hang.
//
// A block at board (x, y) stands at (x, -y, 0) under this node, and this node stands at
// (-(W - 6) / 2, (H - 6) / 2, 0) for a board of W × H cells, so the centre of every board lies at world
// (2.5, -2.5). The puzzle is not owned and must outlive the nodes; after its blocks change, Rebuild.
// Releasing this node with its children takes the whole scene down. Main thread only.
class CPuzzleEntityNode : public GameLib::CGameEntityNode
{
public:
    // world: the entity; its engine loads the models. Not owned.
    explicit CPuzzleEntityNode(CQuarrowWorld* world);

    bool IsKindOf(const std::type_info& type) const override;

    // Stores the puzzle and builds the board model, the block nodes and the particle place. Call once;
    // Rebuild builds again.
    void SetPuzzle(CPuzzle* puzzle);
    CPuzzle* GetPuzzle() const { return m_puzzle; }
    // Deletes every child (last first) and builds the three parts again from the stored puzzle.
    void Rebuild();

    // Runs the floating particles on to the particle time + dt; past 100 s the particle time starts
    // again from 0, and the step after that advances nothing (the block nodes step themselves).
    void Update(float dt) override;

    // The floating particles of the last build (owned by the scene graph); null before a build.
    CFloatingParticleSourceNode* GetParticleSource() const { return m_particleSource; }
    float GetParticleTime() const { return m_particleTime; }

protected:
    ~CPuzzleEntityNode() override = default;

private:
    // "model>" + gfx set + "/" + board name + ".x", with the model node's default render flags (the
    // board casts no shadow).
    void CreateFieldModel();
    void CreateBlockNodes();
    void CreateParticles();

    CPuzzle* m_puzzle = nullptr;
    CFloatingParticleSourceNode* m_particleSource = nullptr;
    float m_particleTime = 0.0f;
};

CPuzzleEntityNode* CreatePuzzleEntityNode(CQuarrowWorld* world);
