#include "platform/baregl/BareGl.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace Platform::BareGl
{
namespace
{

GLuint Compile(GLenum kind, const std::string& source)
{
    const GLuint shader = glCreateShader(kind);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok)
    {
        char log[2048] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "bare OpenGL: a program does not compile: %s\n", log);
    }
    return shader;
}

GLuint Link(const std::string& vertexSource, const std::string& fragmentSource)
{
    const GLuint vertex = Compile(GL_VERTEX_SHADER, vertexSource);
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, fragmentSource);
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok)
    {
        char log[2048] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        std::fprintf(stderr, "bare OpenGL: a program does not link: %s\n", log);
    }
    return program;
}

// Row-vector matrices (p × m), rows of four.
using Matrix = std::array<float, 16>;

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix out{};
    for (int row = 0; row < 4; ++row)
    {
        for (int column = 0; column < 4; ++column)
        {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
            {
                sum += a[row * 4 + k] * b[k * 4 + column];
            }
            out[row * 4 + column] = sum;
        }
    }
    return out;
}

Matrix Identity()
{
    Matrix m{};
    m[0] = m[5] = m[10] = m[15] = 1.0f;
    return m;
}

// Uploaded as they stand, a row-vector matrix reads in GLSL as its transpose: m * v there is p × m here.
void SetMatrices(int location, const float* matrices, int count)
{
    glUniformMatrix4fv(location, count, GL_FALSE, matrices);
}

void SetColour(const std::uint32_t colour)
{
    glClearColor(static_cast<float>((colour >> 16) & 0xFF) / 255.0f, static_cast<float>((colour >> 8) & 0xFF) / 255.0f,
                 static_cast<float>(colour & 0xFF) / 255.0f, static_cast<float>(colour >> 24) / 255.0f);
}

constexpr int PaletteSize = 26;

// The window's back buffer as 0xAARRGGBB words, top row first (OpenGL reads the bottom row first).
void ReadPicture(const BareWindow& window, std::vector<std::uint32_t>& picture)
{
    const int width = window.Width();
    const int height = window.Height();
    picture.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, picture.data());
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
    {
        std::swap_ranges(picture.begin() + top * width, picture.begin() + (top + 1) * width,
                         picture.begin() + bottom * width);
    }
}

// A texture of 32-bit BGRA pixels, sampled without filtering and clamped at its edges.
GLuint MakeNearestTexture(int width, int height, const std::vector<std::uint32_t>& pixels)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    return texture;
}

// The vertex array of screen quads: position and texture coordinate, two floats each, indexed. The array
// stays bound.
void MakeQuadArray(const std::vector<float>& vertices, const std::vector<std::uint32_t>& indices,
                   GLuint& vertexArray, GLuint& vertexBuffer, GLuint& indexBuffer)
{
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(float)), vertices.data(),
                 GL_STATIC_DRAW);
    glGenBuffers(1, &indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint32_t)),
                 indices.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float),
                          reinterpret_cast<const void*>(2 * sizeof(float)));
}

} // namespace

std::unique_ptr<BareWindow> BareWindow::Open(const char* title, int x, int y, int width, int height)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        std::fprintf(stderr, "bare OpenGL: no video: %s\n", SDL_GetError());
        return nullptr;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    std::unique_ptr<BareWindow> made(new BareWindow());
    made->window_ = SDL_CreateWindow(title, x, y, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    // The device's windows are made with its own attributes (no depth buffer); put them back.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    if (!made->window_)
    {
        std::fprintf(stderr, "bare OpenGL: no window: %s\n", SDL_GetError());
        return nullptr;
    }
    made->context_ = SDL_GL_CreateContext(static_cast<SDL_Window*>(made->window_));
    if (!made->context_)
    {
        std::fprintf(stderr, "bare OpenGL: no context: %s\n", SDL_GetError());
        return nullptr;
    }
    SDL_GL_SetSwapInterval(0);
    SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(made->window_), &made->width_, &made->height_);
    return made;
}

BareWindow::~BareWindow()
{
    if (context_)
    {
        if (SDL_GL_GetCurrentContext() == context_)
        {
            SDL_GL_MakeCurrent(nullptr, nullptr);
        }
        SDL_GL_DeleteContext(context_);
    }
    if (window_)
    {
        SDL_DestroyWindow(static_cast<SDL_Window*>(window_));
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void BareWindow::MakeCurrent()
{
    SDL_GL_MakeCurrent(static_cast<SDL_Window*>(window_), context_);
}

void BareWindow::Swap()
{
    SDL_GL_SwapWindow(static_cast<SDL_Window*>(window_));
}

void BareWindow::Show()
{
    SDL_ShowWindow(static_cast<SDL_Window*>(window_));
    SDL_RaiseWindow(static_cast<SDL_Window*>(window_));
}

void BareWindow::Hide()
{
    SDL_HideWindow(static_cast<SDL_Window*>(window_));
}

namespace
{

// Textured quads at window pixels, for the window system's tiles and the overlays of a lit scene.
const char* const QuadVertexSource = R"(#version 330 core
uniform vec2 screenSize;
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texCoord;
out vec2 uv;
void main()
{
    gl_Position = vec4(position.x / screenSize.x * 2.0 - 1.0, 1.0 - position.y / screenSize.y * 2.0, 0.0, 1.0);
    uv = texCoord;
}
)";

const char* const QuadFragmentSource = R"(#version 330 core
uniform sampler2D tile;
in vec2 uv;
out vec4 colour;
void main()
{
    colour = texture(tile, uv);
}
)";

} // namespace

TileFrame::TileFrame(BareWindow& window, int tileSize) : window_(window)
{
    window_.MakeCurrent();
    program_ = Link(QuadVertexSource, QuadFragmentSource);
    glUseProgram(program_);
    glUniform2f(glGetUniformLocation(program_, "screenSize"), static_cast<float>(window_.Width()),
                static_cast<float>(window_.Height()));
    glUniform1i(glGetUniformLocation(program_, "tile"), 0);

    std::vector<float> vertices;
    std::vector<std::uint32_t> indices;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(tileSize) * static_cast<std::size_t>(tileSize));
    for (int top = 0; top < window_.Height(); top += tileSize)
    {
        for (int left = 0; left < window_.Width(); left += tileSize)
        {
            const auto first = static_cast<std::uint32_t>(vertices.size() / 4);
            const auto x0 = static_cast<float>(left);
            const auto y0 = static_cast<float>(top);
            const auto x1 = static_cast<float>(left + tileSize);
            const auto y1 = static_cast<float>(top + tileSize);
            vertices.insert(vertices.end(), {x0, y0, 0.0f, 0.0f, x1, y0, 1.0f, 0.0f, x1, y1, 1.0f, 1.0f, x0, y1, 0.0f, 1.0f});
            indices.insert(indices.end(), {first, first + 1, first + 2, first, first + 2, first + 3});
            // A see-through tile with a box, as the window layer of a plain screen holds.
            for (int y = 0; y < tileSize; ++y)
            {
                for (int x = 0; x < tileSize; ++x)
                {
                    const bool box = (x + left) >= 20 && (x + left) < 120 && (y + top) >= 20 && (y + top) < 80;
                    pixels[static_cast<std::size_t>(y * tileSize + x)] = box ? 0x00C82828u : 0xFF000000u;
                }
            }
            textures_.push_back(MakeNearestTexture(tileSize, tileSize, pixels));
        }
    }
    MakeQuadArray(vertices, indices, vertexArray_, vertexBuffer_, indexBuffer_);
}

TileFrame::~TileFrame()
{
    window_.MakeCurrent();
    glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
    glDeleteBuffers(1, &vertexBuffer_);
    glDeleteBuffers(1, &indexBuffer_);
    glDeleteVertexArrays(1, &vertexArray_);
    glDeleteProgram(program_);
}

void TileFrame::Draw()
{
    glViewport(0, 0, window_.Width(), window_.Height());
    SetColour(0xFF105040u);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    glUseProgram(program_);
    glBindVertexArray(vertexArray_);
    glActiveTexture(GL_TEXTURE0);
    for (std::size_t i = 0; i < textures_.size(); ++i)
    {
        glBindTexture(GL_TEXTURE_2D, textures_[i]);
        glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, reinterpret_cast<const void*>(i * 6 * sizeof(std::uint32_t)));
    }
    glDisable(GL_BLEND);
    window_.Swap();
}

namespace
{

const char* const LightingSource = R"(
uniform mat4 viewInverse;
uniform vec3 lightDirection;
uniform vec4 diffuse;
uniform vec3 specular;
uniform float power;
vec3 LitColour(vec3 surfaceNormal, vec3 worldPosition, vec3 albedo)
{
    vec3 n = normalize(surfaceNormal);
    vec3 toLight = -normalize(lightDirection);
    float lambert = max(dot(n, toLight), 0.0);
    vec3 colour = albedo * (0.3 + 0.7 * lambert);
    if (power > 0.0 && lambert > 0.0)
    {
        vec3 eye = (viewInverse * vec4(0.0, 0.0, 0.0, 1.0)).xyz;
        vec3 halfway = normalize(normalize(eye - worldPosition) + toLight);
        colour += specular * pow(max(dot(n, halfway), 0.0), power);
    }
    return colour;
}
)";

} // namespace

SceneFrame::SceneFrame(BareWindow& window, const BareScene& scene) : window_(window), scene_(scene)
{
    window_.MakeCurrent();
    for (int i = 0; i < 4; ++i)
    {
        MakeProgram(programs_[i], i >= 2, i % 2 == 0);
    }
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, scene_.textureSize, scene_.textureSize, 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, scene_.texture.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    for (const BareMesh& source : scene_.meshes)
    {
        Mesh mesh;
        mesh.skinned = source.skinned;
        glGenVertexArrays(1, &mesh.vertexArray);
        glBindVertexArray(mesh.vertexArray);
        glGenBuffers(1, &mesh.vertexBuffer);
        glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(source.vertices.size() * sizeof(float)),
                     source.vertices.data(), GL_STATIC_DRAW);
        glGenBuffers(1, &mesh.indexBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(source.indices.size() * sizeof(std::uint32_t)),
                     source.indices.data(), GL_STATIC_DRAW);
        const GLsizei stride = static_cast<GLsizei>((source.skinned ? 11 : 8) * sizeof(float));
        const int sizes[5] = {3, 3, 2, 1, 2};
        std::size_t offset = 0;
        for (GLuint attribute = 0; attribute < (source.skinned ? 5u : 3u); ++attribute)
        {
            glEnableVertexAttribArray(attribute);
            glVertexAttribPointer(attribute, sizes[attribute], GL_FLOAT, GL_FALSE, stride,
                                  reinterpret_cast<const void*>(offset * sizeof(float)));
            offset += static_cast<std::size_t>(sizes[attribute]);
        }
        meshes_.push_back(mesh);
    }
}

void SceneFrame::MakeProgram(Program& program, bool skinned, bool textured)
{
    std::string vertex = "#version 330 core\n";
    vertex += "uniform mat4 world;\nuniform mat4 worldViewProjection;\n";
    vertex += "layout(location = 0) in vec3 position;\nlayout(location = 1) in vec3 normal;\n"
              "layout(location = 2) in vec2 texCoord;\n";
    if (skinned)
    {
        vertex += "uniform mat4 palette[" + std::to_string(PaletteSize) +
                  "];\nlayout(location = 3) in float weight;\nlayout(location = 4) in vec2 bones;\n";
    }
    vertex += "out vec3 worldNormal;\nout vec3 worldPosition;\nout vec2 uv;\nvoid main()\n{\n";
    if (skinned)
    {
        vertex += "    mat4 bone = weight * palette[int(bones.x)] + (1.0 - weight) * palette[int(bones.y)];\n"
                  "    vec4 modelPosition = bone * vec4(position, 1.0);\n"
                  "    vec4 modelNormal = bone * vec4(normal, 0.0);\n";
    }
    else
    {
        vertex += "    vec4 modelPosition = vec4(position, 1.0);\n    vec4 modelNormal = vec4(normal, 0.0);\n";
    }
    vertex += "    gl_Position = worldViewProjection * modelPosition;\n"
              "    worldPosition = (world * modelPosition).xyz;\n"
              "    worldNormal = (world * modelNormal).xyz;\n"
              "    uv = texCoord;\n}\n";
    std::string fragment = "#version 330 core\n";
    fragment += LightingSource;
    fragment += "in vec3 worldNormal;\nin vec3 worldPosition;\nin vec2 uv;\nout vec4 colour;\n";
    if (textured)
    {
        fragment += "uniform sampler2D diffuseMap;\nvoid main()\n{\n"
                    "    vec4 albedo = texture(diffuseMap, uv) * diffuse;\n"
                    "    colour = vec4(LitColour(worldNormal, worldPosition, albedo.rgb), albedo.a);\n}\n";
    }
    else
    {
        fragment += "void main()\n{\n    colour = vec4(LitColour(worldNormal, worldPosition, diffuse.rgb), diffuse.a);\n}\n";
    }
    program.program = Link(vertex, fragment);
    const GLuint id = program.program;
    program.world = glGetUniformLocation(id, "world");
    program.worldViewProjection = glGetUniformLocation(id, "worldViewProjection");
    program.viewInverse = glGetUniformLocation(id, "viewInverse");
    program.lightDirection = glGetUniformLocation(id, "lightDirection");
    program.diffuse = glGetUniformLocation(id, "diffuse");
    program.specular = glGetUniformLocation(id, "specular");
    program.power = glGetUniformLocation(id, "power");
    program.palette = glGetUniformLocation(id, "palette");
    glUseProgram(id);
    glUniform1i(glGetUniformLocation(id, "diffuseMap"), 0);
}

SceneFrame::~SceneFrame()
{
    window_.MakeCurrent();
    for (const Mesh& mesh : meshes_)
    {
        glDeleteBuffers(1, &mesh.vertexBuffer);
        glDeleteBuffers(1, &mesh.indexBuffer);
        glDeleteVertexArrays(1, &mesh.vertexArray);
    }
    glDeleteTextures(1, &texture_);
    for (const Program& program : programs_)
    {
        glDeleteProgram(program.program);
    }
}

std::uint64_t SceneFrame::TriangleCount() const
{
    std::uint64_t triangles = 0;
    for (const BareDraw& draw : scene_.draws)
    {
        triangles += draw.indexCount / 3;
    }
    return triangles;
}

void SceneFrame::Draw(float time, std::vector<std::uint32_t>* picture)
{
    glViewport(0, 0, window_.Width(), window_.Height());
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    // The device draws into targets stored top row first, mirrored in OpenGL's terms; this window is
    // not, so the faces it culls wind the other way here.
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
    SetColour(scene_.clearColour);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture_);
    for (Program& program : programs_)
    {
        glUseProgram(program.program);
        SetMatrices(program.viewInverse, scene_.viewInverse.data(), 1);
        glUniform3fv(program.lightDirection, 1, scene_.lightDirection.data());
    }

    // Each chain's palette for this frame: joint by joint from the root, each bone's offset first.
    const int chains = [this] {
        int count = 0;
        for (const BareDraw& draw : scene_.draws)
        {
            count = std::max(count, meshes_[draw.mesh].skinned ? draw.chain + 1 : 0);
        }
        return count;
    }();
    std::vector<Matrix> palettes(static_cast<std::size_t>(chains * scene_.bones));
    for (int chain = 0; chain < chains; ++chain)
    {
        Matrix combined = Identity();
        for (int bone = 0; bone < scene_.bones; ++bone)
        {
            const float angle = 0.1f * std::sin(3.14159265f * (time + 0.2f * static_cast<float>(chain)) +
                                                0.2f * static_cast<float>(bone));
            Matrix local = Identity();
            local[0] = std::cos(angle);
            local[1] = std::sin(angle);
            local[4] = -std::sin(angle);
            local[5] = std::cos(angle);
            local[12] = bone == 0 ? 0.0f : scene_.spacing;
            combined = Multiply(local, combined);
            Matrix offset = Identity();
            offset[12] = -static_cast<float>(bone) * scene_.spacing;
            palettes[static_cast<std::size_t>(chain * scene_.bones + bone)] = Multiply(offset, combined);
        }
    }

    std::uint32_t used = ~0u;
    for (const BareDraw& draw : scene_.draws)
    {
        const Mesh& mesh = meshes_[draw.mesh];
        const std::uint32_t which = (mesh.skinned ? 2u : 0u) + (draw.textured ? 0u : 1u);
        const Program& program = programs_[which];
        if (which != used)
        {
            glUseProgram(program.program);
            used = which;
        }
        glBindVertexArray(mesh.vertexArray);
        const Matrix worldViewProjection = Multiply(draw.world, scene_.viewProjection);
        SetMatrices(program.world, draw.world.data(), 1);
        SetMatrices(program.worldViewProjection, worldViewProjection.data(), 1);
        glUniform4fv(program.diffuse, 1, draw.diffuse.data());
        glUniform3fv(program.specular, 1, draw.specular.data());
        glUniform1f(program.power, draw.power);
        if (mesh.skinned)
        {
            const int count = std::min(PaletteSize, scene_.bones - draw.firstBone);
            SetMatrices(program.palette,
                        palettes[static_cast<std::size_t>(draw.chain * scene_.bones + draw.firstBone)].data(), count);
        }
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(draw.indexCount), GL_UNSIGNED_INT,
                       reinterpret_cast<const void*>(draw.firstIndex * sizeof(std::uint32_t)));
    }
    if (picture)
    {
        ReadPicture(window_, *picture);
    }
    window_.Swap();
}

namespace
{

// Per draw: world (rows 0-3), world × view-projection (rows 4-7), diffuse (row 8); mat4(rows) applied as
// m * v is p × m. The device's depth runs from 0 to w, OpenGL's clip depth from −w to w.
constexpr const char* LitVertexHead = R"(#version 330 core
uniform vec4 drawData[9];
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 texCoord;
vec4 Project(vec3 p)
{
    vec4 clip = mat4(drawData[4], drawData[5], drawData[6], drawData[7]) * vec4(p, 1.0);
    return vec4(clip.x, clip.y, 2.0 * clip.z - clip.w, clip.w);
}
)";

constexpr int LitDrawRows = 9;

} // namespace

LitSceneFrame::LitSceneFrame(BareWindow& window, const LitScene& scene) : window_(window), scene_(scene)
{
    window_.MakeCurrent();
    for (const LitMesh& source : scene_.meshes)
    {
        Mesh mesh;
        glGenVertexArrays(1, &mesh.vertexArray);
        glBindVertexArray(mesh.vertexArray);
        glGenBuffers(1, &mesh.vertexBuffer);
        glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(source.vertices.size() * sizeof(float)),
                     source.vertices.data(), GL_STATIC_DRAW);
        glGenBuffers(1, &mesh.indexBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(source.indices.size() * sizeof(std::uint32_t)),
                     source.indices.data(), GL_STATIC_DRAW);
        const int sizes[3] = {3, 3, 2};
        std::size_t offset = 0;
        for (GLuint attribute = 0; attribute < 3; ++attribute)
        {
            glEnableVertexAttribArray(attribute);
            glVertexAttribPointer(attribute, sizes[attribute], GL_FLOAT, GL_FALSE, 8 * sizeof(float),
                                  reinterpret_cast<const void*>(offset * sizeof(float)));
            offset += static_cast<std::size_t>(sizes[attribute]);
        }
        meshes_.push_back(mesh);
    }

    ambientProgram_ = Link(std::string(LitVertexHead) + "void main() { gl_Position = Project(position); }\n",
                           R"(#version 330 core
uniform vec4 drawData[9];
uniform float ambient;
out vec4 colour;
void main() { colour = vec4(drawData[8].rgb * ambient, drawData[8].a); }
)");
    shadowProgram_ = Link(std::string(LitVertexHead) + "void main() { gl_Position = Project(position); }\n",
                          R"(#version 330 core
uniform int lightIndex;
out vec4 colour;
void main()
{
    vec4 depths = vec4(1.0);
    depths[clamp(lightIndex, 0, 2)] = gl_FragCoord.z;
    colour = depths;
}
)");
    lightProgram_ = Link(std::string(LitVertexHead) + R"(out vec3 worldNormal;
out vec3 worldPosition;
void main()
{
    mat4 world = mat4(drawData[0], drawData[1], drawData[2], drawData[3]);
    gl_Position = Project(position);
    worldPosition = (world * vec4(position, 1.0)).xyz;
    worldNormal = (world * vec4(normal, 0.0)).xyz;
}
)",
                         R"(#version 330 core
uniform vec4 drawData[9];
uniform int numLights;
uniform vec3 lightDirection[3];
uniform vec3 lightColour[3];
uniform mat4 shadowTransform[3];
uniform sampler2D shadowMap;
in vec3 worldNormal;
in vec3 worldPosition;
out vec4 colour;
void main()
{
    vec3 n = normalize(worldNormal);
    vec3 sum = vec3(0.0);
    for (int i = 0; i < numLights; ++i)
    {
        float lambert = max(dot(n, -lightDirection[i]) / max(length(lightDirection[i]), 1e-6), 0.0);
        vec4 mapPoint = shadowTransform[i] * vec4(worldPosition, 1.0);
        vec3 p = mapPoint.xyz / mapPoint.w;
        float lit = 1.0;
        if (all(greaterThanEqual(p.xy, vec2(0.0))) && all(lessThanEqual(p.xy, vec2(1.0))))
        {
            float stored = texture(shadowMap, vec2(p.x, 1.0 - p.y))[i];
            lit = (stored >= 1.0 || p.z - 2.0 / 255.0 <= stored) ? 1.0 : 0.0;
        }
        sum += lambert * lightColour[i] * lit;
    }
    colour = vec4(drawData[8].rgb * sum, 0.0);
}
)");
    ambientDraw_ = glGetUniformLocation(ambientProgram_, "drawData");
    shadowDraw_ = glGetUniformLocation(shadowProgram_, "drawData");
    shadowLightIndex_ = glGetUniformLocation(shadowProgram_, "lightIndex");
    lightDraw_ = glGetUniformLocation(lightProgram_, "drawData");
    glUseProgram(ambientProgram_);
    glUniform1f(glGetUniformLocation(ambientProgram_, "ambient"), scene_.ambient);
    glUseProgram(lightProgram_);
    const int lights = static_cast<int>(std::min<std::size_t>(scene_.lights.size(), 3));
    glUniform1i(glGetUniformLocation(lightProgram_, "numLights"), lights);
    glUniform1i(glGetUniformLocation(lightProgram_, "shadowMap"), 0);
    for (int i = 0; i < lights; ++i)
    {
        const LitLight& light = scene_.lights[static_cast<std::size_t>(i)];
        const std::string index = "[" + std::to_string(i) + "]";
        glUniform3fv(glGetUniformLocation(lightProgram_, ("lightDirection" + index).c_str()), 1, light.direction.data());
        glUniform3fv(glGetUniformLocation(lightProgram_, ("lightColour" + index).c_str()), 1, light.colour.data());
        SetMatrices(glGetUniformLocation(lightProgram_, ("shadowTransform" + index).c_str()),
                    light.shadowTransform.data(), 1);
    }

    const GLsizei size = scene_.shadowMapSize;
    glGenTextures(1, &shadowTexture_);
    glBindTexture(GL_TEXTURE_2D, shadowTexture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size, size, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glGenRenderbuffers(1, &shadowDepth_);
    glBindRenderbuffer(GL_RENDERBUFFER, shadowDepth_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, size, size);
    glGenFramebuffers(1, &shadowFramebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, shadowFramebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, shadowTexture_, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, shadowDepth_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
    {
        std::fprintf(stderr, "bare OpenGL: the shadow framebuffer is incomplete\n");
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    drawUniforms_.resize(static_cast<std::size_t>(LitDrawRows * 4));
    MakeOverlays();
}

void LitSceneFrame::MakeOverlays()
{
    if (scene_.overlays.empty())
    {
        return;
    }
    overlayProgram_ = Link(QuadVertexSource, QuadFragmentSource);
    glUseProgram(overlayProgram_);
    glUniform2f(glGetUniformLocation(overlayProgram_, "screenSize"), static_cast<float>(window_.Width()),
                static_cast<float>(window_.Height()));
    glUniform1i(glGetUniformLocation(overlayProgram_, "tile"), 0);
    std::vector<float> vertices;
    std::vector<std::uint32_t> indices;
    std::vector<std::uint32_t> pixels;
    for (const OverlayQuad& quad : scene_.overlays)
    {
        const auto first = static_cast<std::uint32_t>(vertices.size() / 4);
        const auto x0 = static_cast<float>(quad.x);
        const auto y0 = static_cast<float>(quad.y);
        const auto x1 = static_cast<float>(quad.x + quad.width);
        const auto y1 = static_cast<float>(quad.y + quad.height);
        vertices.insert(vertices.end(), {x0, y0, 0.0f, 0.0f, x1, y0, 1.0f, 0.0f, x1, y1, 1.0f, 1.0f, x0, y1, 0.0f, 1.0f});
        indices.insert(indices.end(), {first, first + 1, first + 2, first, first + 2, first + 3});
        const int width = std::max(quad.width, 1);
        const int height = std::max(quad.height, 1);
        pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), quad.colour);
        overlayTextures_.push_back(MakeNearestTexture(width, height, pixels));
    }
    MakeQuadArray(vertices, indices, overlayArray_, overlayVertices_, overlayIndices_);
    glBindVertexArray(0);
}

void LitSceneFrame::DrawOverlays()
{
    if (overlayTextures_.empty())
    {
        return;
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    glUseProgram(overlayProgram_);
    glBindVertexArray(overlayArray_);
    glActiveTexture(GL_TEXTURE0);
    for (std::size_t i = 0; i < overlayTextures_.size(); ++i)
    {
        glBindTexture(GL_TEXTURE_2D, overlayTextures_[i]);
        glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, reinterpret_cast<const void*>(i * 6 * sizeof(std::uint32_t)));
        triangles_ += 2;
        ++draws_;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_BLEND);
}

LitSceneFrame::~LitSceneFrame()
{
    window_.MakeCurrent();
    for (const Mesh& mesh : meshes_)
    {
        glDeleteBuffers(1, &mesh.vertexBuffer);
        glDeleteBuffers(1, &mesh.indexBuffer);
        glDeleteVertexArrays(1, &mesh.vertexArray);
    }
    glDeleteFramebuffers(1, &shadowFramebuffer_);
    glDeleteRenderbuffers(1, &shadowDepth_);
    glDeleteTextures(1, &shadowTexture_);
    if (!overlayTextures_.empty())
    {
        glDeleteTextures(static_cast<GLsizei>(overlayTextures_.size()), overlayTextures_.data());
        glDeleteBuffers(1, &overlayVertices_);
        glDeleteBuffers(1, &overlayIndices_);
        glDeleteVertexArrays(1, &overlayArray_);
        glDeleteProgram(overlayProgram_);
    }
    for (const GLuint program : {ambientProgram_, shadowProgram_, lightProgram_})
    {
        glDeleteProgram(program);
    }
}

void LitSceneFrame::DrawPass(std::uint32_t program, int drawLocation, bool shadowPass, const float* viewProjection)
{
    glUseProgram(program);
    Matrix projection;
    std::copy(viewProjection, viewProjection + 16, projection.begin());
    for (const LitDraw& draw : scene_.draws)
    {
        if (shadowPass ? !draw.castsShadow : !draw.lit)
        {
            continue;
        }
        const Matrix worldViewProjection = Multiply(draw.world, projection);
        std::copy(draw.world.begin(), draw.world.end(), drawUniforms_.begin());
        std::copy(worldViewProjection.begin(), worldViewProjection.end(), drawUniforms_.begin() + 16);
        std::copy(draw.diffuse.begin(), draw.diffuse.end(), drawUniforms_.begin() + 32);
        glUniform4fv(drawLocation, LitDrawRows, drawUniforms_.data());
        glBindVertexArray(meshes_[draw.mesh].vertexArray);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(draw.indexCount), GL_UNSIGNED_INT,
                       reinterpret_cast<const void*>(draw.firstIndex * sizeof(std::uint32_t)));
        triangles_ += draw.indexCount / 3;
        ++draws_;
    }
}

void LitSceneFrame::Draw(std::vector<std::uint32_t>* picture)
{
    triangles_ = 0;
    draws_ = 0;
    // The ambient pass: opaque, nearest wins; faces culled as the device culls them (see SceneFrame).
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, window_.Width(), window_.Height());
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
    SetColour(scene_.clearColour);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawPass(ambientProgram_, ambientDraw_, false, scene_.viewProjection.data());

    // The shadow maps: white once, then each light's depth into its own channel by the minimum.
    glBindFramebuffer(GL_FRAMEBUFFER, shadowFramebuffer_);
    glViewport(0, 0, scene_.shadowMapSize, scene_.shadowMapSize);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBlendEquation(GL_MIN);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glUseProgram(shadowProgram_);
    for (std::size_t i = 0; i < scene_.lights.size() && i < 3; ++i)
    {
        if (!scene_.lights[i].castsShadow)
        {
            continue;
        }
        glClear(GL_DEPTH_BUFFER_BIT);
        glUseProgram(shadowProgram_);
        glUniform1i(shadowLightIndex_, static_cast<GLint>(i));
        DrawPass(shadowProgram_, shadowDraw_, true, scene_.lights[i].viewProjection.data());
    }

    // The light pass: added onto the ambient colour where the ambient pass left the nearest surface.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, window_.Width(), window_.Height());
    glEnable(GL_CULL_FACE);
    glBlendEquation(GL_FUNC_ADD);
    glDepthMask(GL_FALSE);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, shadowTexture_);
    DrawPass(lightProgram_, lightDraw_, false, scene_.viewProjection.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    DrawOverlays();

    if (picture)
    {
        ReadPicture(window_, *picture);
    }
    window_.Swap();
}

} // namespace Platform::BareGl
