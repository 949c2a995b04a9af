#include "platform/gfxkit/effect/LinkedLayout.h"

#include "platform/gfx/Device.h"
#include "platform/gfx/Shader.h"

#include <epoxy/gl.h>

namespace Platform::GfxKit
{

std::vector<ConstantPlace> LinkedLayout(Gfx::Device& device, Gfx::Shader* vertex, Gfx::Shader* pixel,
                                        const std::string& block, const std::vector<std::string>& names)
{
    std::vector<ConstantPlace> places;
    if (!vertex || !pixel)
    {
        return places;
    }
    device.MakeCurrent();
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex->GlShader());
    glAttachShader(program, pixel->GlShader());
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == GL_TRUE)
    {
        for (const std::string& name : names)
        {
            const std::string full = block + "." + name;
            const char* text = full.c_str();
            GLuint index = GL_INVALID_INDEX;
            glGetUniformIndices(program, 1, &text, &index);
            ConstantPlace place;
            place.name = name;
            place.offset = 0xFFFFFFFFu;
            if (index != GL_INVALID_INDEX)
            {
                GLint value = 0;
                glGetActiveUniformsiv(program, 1, &index, GL_UNIFORM_OFFSET, &value);
                place.offset = static_cast<std::uint32_t>(value);
                glGetActiveUniformsiv(program, 1, &index, GL_UNIFORM_ARRAY_STRIDE, &value);
                place.arrayStride = static_cast<std::uint32_t>(value);
                glGetActiveUniformsiv(program, 1, &index, GL_UNIFORM_MATRIX_STRIDE, &value);
                place.matrixStride = static_cast<std::uint32_t>(value);
            }
            places.push_back(place);
        }
    }
    glDeleteProgram(program);
    return places;
}

} // namespace Platform::GfxKit
