#pragma once

#include "framework/GameEntityNode.h"
#include "puzzle/BlockDirection.h"
#include "sound/Sound.h"

class CBlock;
class CQuarrowWorld;

namespace GameLib
{
class CModelNode;
}

// One block of the running puzzle in the 3D scene. Its first child is a transform turned about z that
// carries the block's part model (when it has one); grabbable blocks also get a pick mesh for the 3D
// cursor as a second child. Each world step it follows the block (flex blocks squeezed along their
// chain) and plays the block's sounds: start to move, collide at its free end, the held magnet's loop
// and the flex spring.
//
// Coordinates: a block at board (left, top) stands at (left, -top, 0) under its puzzle node. The block
// belongs to the puzzle and must outlive the node; the puzzle node rebuilds its block nodes whenever the
// blocks change. Main thread only.
class CBlockEntityNode : public GameLib::CGameEntityNode
{
public:
    // world: the entity; its engine loads the models. Not owned.
    explicit CBlockEntityNode(CQuarrowWorld* world);

    bool IsKindOf(const std::type_info& type) const override;

    // Binds the block and builds the node: motion state, turned child with the model, pick mesh, sound
    // files, then the first placement. Call once.
    void SetBlock(CBlock* block);
    CBlock* GetBlock() const { return m_block; }

    // One world step: the placement, then the sounds with a fixed step of 1/60 s; dt is not used.
    void Update(float dt) override;

    // A flex block with give left toward north or east: its group wobbles.
    bool IsFlexStrained() const;

    // The part model, or null (no model name, or no block yet).
    GameLib::CModelNode* GetModelNode() const { return m_modelNode; }
    bool IsEndPiece() const { return m_endPiece; }
    // Opposite to an end piece's only neighbour; DirectionNone for other blocks.
    BlockDirection GetFreeDirection() const { return m_freeDirection; }
    bool IsTouching() const { return m_touching; }

    SoundLib::CMultiChannelSound& GetStartSound() { return m_startSound; }
    SoundLib::CMultiChannelSound& GetCollideSound() { return m_collideSound; }
    SoundLib::CMultiChannelSound& GetHeldLoopSound() { return m_heldLoopSound; }
    SoundLib::CMultiChannelSound& GetSpringSound() { return m_springSound; }

protected:
    ~CBlockEntityNode() override = default;

private:
    void InitMotionState();
    // Whether the grid reports a solid block next to the block's rectangle in the free direction.
    bool IsFreeEndTouching() const;
    void CreateModel();
    void CreatePickMesh();
    void LoadSounds();
    void SyncTransform();
    void SyncFlexTransform();
    void UpdateSounds(float step);
    void PlayStartSound(float movement);
    void PlayCollideSound(float movement);

    CBlock* m_block = nullptr;
    GameLib::CModelNode* m_modelNode = nullptr;
    bool m_endPiece = false;
    bool m_touching = false;
    BlockDirection m_freeDirection = DirectionNone;
    float m_lastLeft = 0.0f;
    float m_lastTop = 0.0f;
    float m_lastMovement = 0.0f;
    float m_restExtent = 1.0f;
    float m_springIdleTime = 0.0f;
    SoundLib::CMultiChannelSound m_springSound;
    SoundLib::CMultiChannelSound m_heldLoopSound;
    SoundLib::CMultiChannelSound m_collideSound;
    SoundLib::CMultiChannelSound m_startSound;
};

// A new node without a block.
CBlockEntityNode* CreateBlockEntityNode(CQuarrowWorld* world);
