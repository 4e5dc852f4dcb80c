#include "platform/d3dx9/effect_program.h"

#include "platform/d3d9/gl_headers.h"

#include <map>
#include <memory>
#include <tuple>

#include "platform/d3d9/gl_interop.h"
#include "platform/d3d9/pixel_centre.h"

namespace {

// Programs are GL objects of a share group; the depth fix-up depends on the device's clip control.
using ProgramKey = std::tuple<int, bool, std::string, std::string>;

std::map<ProgramKey, std::unique_ptr<EffectProgram>>& Programs() {
    static auto* cache = new std::map<ProgramKey, std::unique_ptr<EffectProgram>>();
    return *cache;
}

GLuint CompileShader(GLenum type, const std::string& text, std::string* error) {
    GLuint shader = glCreateShader(type);
    const char* source = text.c_str();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[4096] = {};
        glGetShaderInfoLog(shader, sizeof(log), nullptr, log);
        *error = std::string(type == GL_VERTEX_SHADER ? "vertex shader: " : "fragment shader: ") + log;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

} // namespace

const EffectProgram* LinkEffectProgram(IDirect3DDevice9* device, const GlslProgramSource& source,
                                       std::string* error) {
    const bool clipControl = GlInterop::ClipControlActive(device);
    ProgramKey key{GlInterop::CurrentShareGroup(), clipControl, source.vertex, source.fragment};
    auto found = Programs().find(key);
    if (found != Programs().end()) {
        return found->second.get();
    }
    std::string vertexText = source.vertex;
    // main() is the last function: the pixel-centre shift, and where clip control is missing
    // the depth fix-up (Direct3D's clip-space depth runs 0..w, GL's -w..w), end it.
    const size_t end = vertexText.rfind('}');
    if (end != std::string::npos) {
        vertexText.insert(
            end, std::string(PixelCentre::shiftStatement) +
                     (clipControl ? "" : "    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n"));
    }
    // The shift's uniform goes after the #version line, which must stay first.
    const size_t afterVersion = vertexText.compare(0, 8, "#version") == 0 ? vertexText.find('\n') + 1 : 0;
    vertexText.insert(afterVersion, std::string("uniform vec2 ") + PixelCentre::uniformName + ";\n");
    GLuint vertex = CompileShader(GL_VERTEX_SHADER, vertexText, error);
    if (vertex == 0) {
        return nullptr;
    }
    GLuint fragment = CompileShader(GL_FRAGMENT_SHADER, source.fragment, error);
    if (fragment == 0) {
        glDeleteShader(vertex);
        return nullptr;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    for (const GlslAttribute& attribute : source.attributes) {
        if (attribute.location >= 0) {
            glBindAttribLocation(program, static_cast<GLuint>(attribute.location), attribute.name.c_str());
        }
    }
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[4096] = {};
        glGetProgramInfoLog(program, sizeof(log), nullptr, log);
        *error = std::string("link: ") + log;
        glDeleteProgram(program);
        return nullptr;
    }

    auto linked = std::make_unique<EffectProgram>();
    linked->program = program;
    std::string prefix = std::string(GlslGlobalsName) + ".";
    GLint active = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &active);
    for (GLint i = 0; i < active; ++i) {
        char nameBuffer[256] = {};
        GLint count = 0;
        GLenum type = 0;
        glGetActiveUniform(program, static_cast<GLuint>(i), sizeof(nameBuffer), nullptr, &count, &type,
                           nameBuffer);
        std::string name = nameBuffer;
        GLint location = glGetUniformLocation(program, name.c_str());
        if (name.size() > 3 && name.compare(name.size() - 3, 3, "[0]") == 0) {
            name.resize(name.size() - 3);
        }
        if (name.compare(0, prefix.size(), prefix) == 0) {
            std::string member = name.substr(prefix.size());
            for (const GlslNamePair& global : source.globals) {
                if (global.glsl == member) {
                    linked->uniforms.push_back({location, type, count, global.hlsl});
                }
            }
            continue;
        }
        for (const GlslNamePair& sampler : source.samplers) {
            if (sampler.glsl == name) {
                linked->samplers.push_back({location, sampler.hlsl});
            }
        }
    }
    return Programs().emplace(std::move(key), std::move(linked)).first->second.get();
}
