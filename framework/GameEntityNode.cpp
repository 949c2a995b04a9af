#include "framework/GameEntityNode.h"

namespace GameLib
{

bool CGameEntityNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CGameEntityNode) || CTransformNode::IsKindOf(type);
}

} // namespace GameLib
