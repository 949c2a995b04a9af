#include "engine/VertexElements.h"

#include <gtest/gtest.h>

namespace
{

using namespace Platform::Gfx;
using Qen::kVertexDeclarationRoom;

struct Declaration
{
    Declaration() { Qen::InitVertexDeclaration(elements); }
    VertexElement elements[kVertexDeclarationRoom];
};

bool Same(const VertexElement& a, const VertexElement& b)
{
    return a.Stream == b.Stream && a.Offset == b.Offset && a.Type == b.Type && a.Method == b.Method &&
           a.Usage == b.Usage && a.UsageIndex == b.UsageIndex;
}

TEST(VertexElementsTest, ElementsAreAppendedAtTheirStreamsSizeAndFoundBeforeTheEnd)
{
    Declaration d;
    EXPECT_TRUE(Same(DeclarationEnd, d.elements[64]));
    EXPECT_EQ(-1, Qen::FindVertexElement(d.elements, DeclUsage::Position, 0));
    EXPECT_EQ(0, Qen::AddVertexElement(d.elements, {0, 99, DeclType::Float3, 0, DeclUsage::Position, 0}));
    EXPECT_EQ(1, Qen::AddVertexElement(d.elements, {1, 7, DeclType::Color, 0, DeclUsage::Color, 0}));
    EXPECT_EQ(2, Qen::AddVertexElement(d.elements, {0, 0, DeclType::Float2, 0, DeclUsage::TexCoord, 1}));
    EXPECT_EQ(3, Qen::AddVertexElement(d.elements, {1, 0, DeclType::Float1, 0, DeclUsage::Fog, 0}));
    EXPECT_EQ(0, d.elements[0].Offset);
    EXPECT_EQ(0, d.elements[1].Offset);
    EXPECT_EQ(12, d.elements[2].Offset);
    EXPECT_EQ(4, d.elements[3].Offset);
    EXPECT_TRUE(Same(DeclarationEnd, d.elements[4]));
    EXPECT_EQ(2, Qen::FindVertexElement(d.elements, DeclUsage::TexCoord, 1));
    EXPECT_EQ(-1, Qen::FindVertexElement(d.elements, DeclUsage::TexCoord, 0));
    // An element behind the end marker is not part of the declaration.
    d.elements[5] = {0, 0, DeclType::Float3, 0, DeclUsage::Normal, 0};
    EXPECT_EQ(-1, Qen::FindVertexElement(d.elements, DeclUsage::Normal, 0));
}

TEST(VertexElementsTest, AFullDeclarationRefusesAnotherElement)
{
    Declaration d;
    for (int i = 0; i < 64; ++i)
    {
        ASSERT_EQ(i, Qen::AddVertexElement(d.elements, {0, 0, DeclType::Float1, 0, DeclUsage::TexCoord,
                                                         static_cast<std::uint8_t>(i)}));
    }
    EXPECT_EQ(252, d.elements[63].Offset);
    EXPECT_TRUE(Same(DeclarationEnd, d.elements[64]));
    EXPECT_EQ(-1, Qen::AddVertexElement(d.elements, {0, 0, DeclType::Float1, 0, DeclUsage::Fog, 0}));
    EXPECT_TRUE(Same(DeclarationEnd, d.elements[64]));
    EXPECT_EQ(-1, Qen::FindVertexElement(d.elements, DeclUsage::Fog, 0));
}

TEST(VertexElementsTest, RemovingTheNormalMovesTheLaterElementsDown)
{
    Declaration d;
    for (const VertexElement& e : {VertexElement{0, 0, DeclType::Float3, 0, DeclUsage::Position, 0},
                                   VertexElement{0, 0, DeclType::Float3, 0, DeclUsage::Normal, 0},
                                   VertexElement{0, 0, DeclType::Float2, 0, DeclUsage::TexCoord, 0}})
    {
        Qen::AddVertexElement(d.elements, e);
    }
    ASSERT_EQ(24, d.elements[2].Offset);
    EXPECT_TRUE(Qen::RemoveNormalElement(d.elements));
    EXPECT_EQ(DeclUsage::TexCoord, d.elements[1].Usage);
    EXPECT_EQ(12, d.elements[1].Offset);
    EXPECT_TRUE(Same(DeclarationEnd, d.elements[2]));
    EXPECT_FALSE(Qen::RemoveNormalElement(d.elements));
    EXPECT_EQ(12, d.elements[1].Offset);
}

TEST(VertexElementsTest, TypeSizesFollowTheTableAndAreZeroOutsideIt)
{
    const std::uint32_t sizes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8};
    for (std::uint32_t type = 0; type < 17; ++type)
    {
        EXPECT_EQ(sizes[type], Qen::GetDeclTypeSize(type)) << type;
    }
    EXPECT_EQ(0u, Qen::GetDeclTypeSize(17));
    EXPECT_EQ(0u, Qen::GetDeclTypeSize(0x102)); // not taken as type 2
}

} // namespace
