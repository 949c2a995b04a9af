#include "platform/gfxkit/ByteBuffer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

using namespace Platform::GfxKit;
using Platform::Gfx::InvalidCall;
using Platform::Gfx::Ok;

TEST(ByteBufferTest, HoldsZeroedWritableBytesUntilTheLastRelease)
{
    ByteBuffer* buffer = nullptr;
    ASSERT_EQ(Ok, CreateBuffer(12, &buffer));
    ASSERT_EQ(12u, buffer->GetBufferSize());
    auto* bytes = static_cast<unsigned char*>(buffer->GetBufferPointer());
    for (unsigned i = 0; i < 12; ++i)
    {
        EXPECT_EQ(0, bytes[i]);
    }
    std::memcpy(bytes, "hello world", 12);
    EXPECT_EQ(2u, buffer->AddRef());
    EXPECT_STREQ("hello world", static_cast<const char*>(buffer->GetBufferPointer()));
    EXPECT_EQ(1u, buffer->Release());
    EXPECT_EQ(0u, buffer->Release());
}

TEST(ByteBufferTest, EmptyBufferAndMissingOut)
{
    ByteBuffer* buffer = nullptr;
    ASSERT_EQ(Ok, CreateBuffer(0, &buffer));
    EXPECT_EQ(0u, buffer->GetBufferSize());
    EXPECT_EQ(nullptr, buffer->GetBufferPointer());
    buffer->Release();
    EXPECT_EQ(InvalidCall, CreateBuffer(4, nullptr));
}

} // namespace
