#include "platform/d3d9/fixed_function_shader.h"

#include "platform/d3d9/gl_interop.h"
#include "platform/d3d9/pixel_centre.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr const char* vertexSource = R"(
layout(location = 0) in vec4 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec4 inDiffuse;
layout(location = 3) in vec4 inTex0;
layout(location = 4) in vec4 inTex1;
layout(location = 5) in vec4 inSpecular;

uniform mat4 uWorldView;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;
uniform vec4 uScreenToClip;
uniform vec2 uPixelCentreShift;
uniform vec4 uMatDiffuse;
uniform vec4 uMatAmbient;
uniform vec4 uMatSpecular;
uniform vec4 uMatEmissive;
uniform float uMatPower;
uniform vec4 uGlobalAmbient;
uniform vec4 uLightDiffuse[8];
uniform vec4 uLightSpecular[8];
uniform vec4 uLightAmbient[8];
uniform vec3 uLightPosition[8];
uniform vec3 uLightDirection[8];
uniform vec4 uLightAttenuation[8]; // a0, a1, a2, range
uniform vec3 uLightSpot[8];        // cos(theta / 2), cos(phi / 2), falloff
uniform mat4 uTexMatrix;

out vec4 vDiffuse;
out vec4 vSpecular;
out vec4 vTex;

vec4 Source(int source, vec4 material) {
    if (source == 1) return inDiffuse;
    if (source == 2) return inSpecular;
    return material;
}

void main() {
#ifdef PRETRANSFORMED
    float w = inPosition.w != 0.0 ? 1.0 / inPosition.w : 1.0;
    vec2 ndc = inPosition.xy * uScreenToClip.xy + uScreenToClip.zw;
    gl_Position = vec4(ndc, inPosition.z, 1.0) * w;
    vec3 P = vec3(0.0);
#else
    vec4 viewPosition = uWorldView * vec4(inPosition.xyz, 1.0);
    gl_Position = uProjection * viewPosition;
    vec3 P = viewPosition.xyz;
#endif
    gl_Position.xy += uPixelCentreShift * gl_Position.w;
    if (DepthFixup) gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;

#ifdef LIGHTING
    vec3 N = uNormalMatrix * inNormal;
    if (NormalizeNormals && dot(N, N) > 0.0) N = normalize(N);
    vec3 ambient = vec3(0.0);
    vec3 diffuse = vec3(0.0);
    vec3 specular = vec3(0.0);
    for (int i = 0; i < LightCount; ++i) {
        vec3 L;
        float atten = 1.0;
        if (LightType[i] == 3) {
            L = -normalize(uLightDirection[i]);
        } else {
            vec3 toLight = uLightPosition[i] - P;
            float d = length(toLight);
            if (d > uLightAttenuation[i].w) continue;
            L = d > 0.0 ? toLight / d : vec3(0.0, 0.0, 1.0);
            float denominator = uLightAttenuation[i].x + uLightAttenuation[i].y * d + uLightAttenuation[i].z * d * d;
            atten = denominator > 0.0 ? 1.0 / denominator : 1.0;
            if (LightType[i] == 2) {
                float rho = dot(normalize(-uLightDirection[i]), L);
                if (rho <= uLightSpot[i].y) {
                    atten = 0.0;
                } else if (rho < uLightSpot[i].x) {
                    atten *= pow((rho - uLightSpot[i].y) / (uLightSpot[i].x - uLightSpot[i].y), uLightSpot[i].z);
                }
            }
        }
        ambient += atten * uLightAmbient[i].rgb;
        float NdotL = max(dot(N, L), 0.0);
        diffuse += atten * NdotL * uLightDiffuse[i].rgb;
        if (SpecularEnable && NdotL > 0.0) {
            vec3 H = normalize(normalize(-P) + L);
            specular += atten * pow(max(dot(N, H), 0.0), uMatPower) * uLightSpecular[i].rgb;
        }
    }
    vec4 md = Source(MaterialSources.x, uMatDiffuse);
    vec4 ma = Source(MaterialSources.y, uMatAmbient);
    vec4 ms = Source(MaterialSources.z, uMatSpecular);
    vec4 me = Source(MaterialSources.w, uMatEmissive);
    vDiffuse.rgb = clamp(me.rgb + ma.rgb * (uGlobalAmbient.rgb + ambient) + md.rgb * diffuse, 0.0, 1.0);
    vDiffuse.a = clamp(md.a, 0.0, 1.0);
    vSpecular = vec4(clamp(ms.rgb * specular, 0.0, 1.0), 0.0);
#else
    vDiffuse = inDiffuse;
    vSpecular = inSpecular;
#endif

    vec4 tc = TexCoordIndex == 1 ? inTex1 : inTex0;
    if (TexTransform) tc = uTexMatrix * vec4(tc.xy, 1.0, 0.0);
    vTex = tc;
}
)";

constexpr const char* fragmentSource = R"(
in vec4 vDiffuse;
in vec4 vSpecular;
in vec4 vTex;

#ifdef CUBE_TEXTURE
uniform samplerCube uTexture;
#else
uniform sampler2D uTexture;
#endif
uniform vec4 uTextureFactor;
uniform int uAlphaRef;

out vec4 fragColor;

vec4 Argument(int arg, vec4 tex) {
    int select = arg & 15;
    vec4 v = vDiffuse; // D3DTA_DIFFUSE, and D3DTA_CURRENT on the first stage
    if (select == 2) v = tex;
    else if (select == 3) v = uTextureFactor;
    if ((arg & 16) != 0) v = vec4(1.0) - v;
    if ((arg & 32) != 0) v = v.aaaa;
    return v;
}

vec4 Combine(int op, vec4 a, vec4 b) {
    if (op == 2) return a;
    if (op == 3) return b;
    if (op == 5) return clamp(2.0 * a * b, 0.0, 1.0);
    if (op == 6) return clamp(4.0 * a * b, 0.0, 1.0);
    if (op == 7) return clamp(a + b, 0.0, 1.0);
    if (op == 8) return clamp(a + b - 0.5, 0.0, 1.0);
    if (op == 10) return clamp(a - b, 0.0, 1.0);
    return a * b;
}

bool Passes(int func, int value, int reference) {
    if (func == 1) return false;
    if (func == 2) return value < reference;
    if (func == 3) return value == reference;
    if (func == 4) return value <= reference;
    if (func == 5) return value > reference;
    if (func == 6) return value != reference;
    if (func == 7) return value >= reference;
    return true;
}

void main() {
    vec4 tex = vec4(1.0);
#ifdef CUBE_TEXTURE
    if (HasTexture) tex = texture(uTexture, vTex.xyz);
#else
    if (HasTexture) tex = texture(uTexture, vTex.xy);
#endif
    vec4 colour;
    if (ColorStage.x == 1) {
        colour = vDiffuse;
    } else {
        colour.rgb = Combine(ColorStage.x, Argument(ColorStage.y, tex), Argument(ColorStage.z, tex)).rgb;
        colour.a = AlphaStage.x == 1 ? vDiffuse.a
                                      : Combine(AlphaStage.x, Argument(AlphaStage.y, tex), Argument(AlphaStage.z, tex)).a;
    }
    if (SpecularAdd) colour.rgb = min(colour.rgb + vSpecular.rgb, vec3(1.0));
    if (AlphaFunc != 8 && !Passes(AlphaFunc, int(colour.a * 255.0 + 0.5), uAlphaRef)) discard;
    fragColor = colour;
}
)";

using Matrix = D3DMATRIX;

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[i][k] * b.m[k][j];
            }
            r.m[i][j] = sum;
        }
    }
    return r;
}

// The inverse of the upper 3 x 3 part, row-major; identity if singular.
void Inverse3x3(const Matrix& m, float out[9]) {
    const float a = m._11, b = m._12, c = m._13;
    const float d = m._21, e = m._22, f = m._23;
    const float g = m._31, h = m._32, i = m._33;
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    if (std::fabs(det) < 1e-20f) {
        const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        std::copy(identity, identity + 9, out);
        return;
    }
    const float s = 1.0f / det;
    out[0] = A * s;
    out[1] = -(b * i - c * h) * s;
    out[2] = (b * f - c * e) * s;
    out[3] = B * s;
    out[4] = (a * i - c * g) * s;
    out[5] = -(a * f - c * d) * s;
    out[6] = C * s;
    out[7] = -(a * h - b * g) * s;
    out[8] = (a * e - b * d) * s;
}

D3DVECTOR TransformPoint(const D3DVECTOR& p, const Matrix& m) {
    return {p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41, p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
            p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43};
}

D3DVECTOR TransformDirection(const D3DVECTOR& v, const Matrix& m) {
    return {v.x * m._11 + v.y * m._21 + v.z * m._31, v.x * m._12 + v.y * m._22 + v.z * m._32,
            v.x * m._13 + v.y * m._23 + v.z * m._33};
}

GLuint Compile(GLenum type, const std::string& source) {
    GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == 0) {
        char log[2048];
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "fixed-function shader: %s\n", log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

// Where a lighting colour comes from: the material unless vertex colours are on and the
// vertex has the named colour.
int MaterialSource(const DeviceState& state, D3DRENDERSTATETYPE which, DWORD fvf) {
    if (state.renderStates[D3DRS_COLORVERTEX] == FALSE) {
        return 0;
    }
    const DWORD source = state.renderStates[which];
    if (source == D3DMCS_COLOR1 && (fvf & D3DFVF_DIFFUSE) != 0) {
        return 1;
    }
    if (source == D3DMCS_COLOR2 && (fvf & D3DFVF_SPECULAR) != 0) {
        return 2;
    }
    return 0;
}

// The state a program is compiled for, as GLSL constants under the names the shaders use.
std::string Constants(const FixedFunctionKey& key) {
    const auto boolean = [](bool value) { return std::string(value ? "true" : "false"); };
    const auto number = [](int value) { return std::to_string(value); };
    const auto list = [&number](const int* values, std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) {
            text += (i == 0 ? "" : ", ") + number(values[i]);
        }
        return text;
    };
    return "const bool DepthFixup = " + boolean(key.depthFixup) + ";\n" +
           "const bool NormalizeNormals = " + boolean(key.normalize) + ";\n" +
           "const ivec4 MaterialSources = ivec4(" + list(key.materialSources, 4) + ");\n" +
           "const bool SpecularEnable = " + boolean(key.specular) + ";\n" +
           "const bool SpecularAdd = " + boolean(key.specular) + ";\n" +
           "const int LightCount = " + number(key.lightCount) + ";\n" + "const int LightType[8] = int[8](" +
           list(key.lightTypes, 8) + ");\n" + "const int TexCoordIndex = " + number(key.texCoordIndex) +
           ";\n" + "const bool TexTransform = " + boolean(key.texTransform) + ";\n" +
           "const bool HasTexture = " + boolean(key.hasTexture) + ";\n" + "const ivec3 ColorStage = ivec3(" +
           list(key.colorStage, 3) + ");\n" + "const ivec3 AlphaStage = ivec3(" + list(key.alphaStage, 3) +
           ");\n" + "const int AlphaFunc = " + number(key.alphaFunc) + ";\n";
}

// Colour attributes arrive as D3DCOLOR bytes (B, G, R, A); where GL cannot read them in
// that order (ES), the vertex stage swaps them back.
std::string VertexSourceForDialect() {
    std::string source = vertexSource;
    if (kGlEs) {
        for (const char* name : {"inDiffuse", "inSpecular"}) {
            const std::string declaration = std::string("in vec4 ") + name + ";";
            const std::size_t at = source.find(declaration);
            if (at != std::string::npos) {
                source.replace(at, declaration.size(),
                               declaration.substr(0, declaration.size() - 1) + "Bgra;\n#define " + name +
                                   " " + name + "Bgra.bgra");
            }
        }
    }
    return source;
}

} // namespace

struct FixedFunctionShaders::Program {
    GLuint name = 0;
    GLint worldView, projection, normalMatrix, screenToClip, pixelCentreShift;
    GLint matDiffuse, matAmbient, matSpecular, matEmissive, matPower, globalAmbient;
    GLint lightDiffuse, lightSpecular, lightAmbient, lightPosition, lightDirection;
    GLint lightAttenuation, lightSpot, texMatrix;
    GLint texture, textureFactor, alphaRef;
};

FixedFunctionShaders::~FixedFunctionShaders() {
    for (auto& entry : programs_) {
        delete entry.second;
    }
}

void FixedFunctionShaders::Release() {
    for (auto& entry : programs_) {
        if (entry.second != nullptr) {
            glDeleteProgram(entry.second->name);
            delete entry.second;
        }
    }
    programs_.clear();
}

FixedFunctionKey FixedFunctionShaders::KeyFor(const DeviceState& state, const FixedFunctionInputs& inputs) {
    FixedFunctionKey key;
    key.pretransformed = (inputs.fvf & D3DFVF_XYZRHW) != 0;
    key.lighting = !key.pretransformed && state.renderStates[D3DRS_LIGHTING] != FALSE;
    IDirect3DBaseTexture9* texture = state.textures[0].Get();
    key.cubeTexture = texture != nullptr && texture->GetType() == D3DRTYPE_CUBETEXTURE;
    key.hasTexture = inputs.hasTexture;
    key.depthFixup = inputs.depthFixup;
    key.specular = state.renderStates[D3DRS_SPECULARENABLE] != FALSE;
    if (key.lighting) {
        key.normalize = state.renderStates[D3DRS_NORMALIZENORMALS] != FALSE;
        for (DWORD i = 0; i < DeviceState::MaxLights; ++i) {
            if (state.lightEnabled[i]) {
                key.lightTypes[static_cast<std::size_t>(key.lightCount++)] =
                    static_cast<int>(state.lights[i].Type);
            }
        }
        const D3DRENDERSTATETYPE sources[] = {D3DRS_DIFFUSEMATERIALSOURCE, D3DRS_AMBIENTMATERIALSOURCE,
                                              D3DRS_SPECULARMATERIALSOURCE, D3DRS_EMISSIVEMATERIALSOURCE};
        for (int i = 0; i < 4; ++i) {
            key.materialSources[i] = MaterialSource(state, sources[i], inputs.fvf);
        }
    }
    const auto& stage = state.stageStates[0];
    key.texCoordIndex = (stage[D3DTSS_TEXCOORDINDEX] & 0xFFFF) == 1 ? 1 : 0;
    key.texTransform = (stage[D3DTSS_TEXTURETRANSFORMFLAGS] & 0xFF) != D3DTTFF_DISABLE;
    const D3DTEXTURESTAGESTATETYPE colourStates[] = {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2};
    const D3DTEXTURESTAGESTATETYPE alphaStates[] = {D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2};
    for (int i = 0; i < 3; ++i) {
        key.colorStage[i] = static_cast<int>(stage[colourStates[i]]);
        key.alphaStage[i] = static_cast<int>(stage[alphaStates[i]]);
    }
    key.alphaFunc = state.renderStates[D3DRS_ALPHATESTENABLE] != FALSE
                        ? static_cast<int>(state.renderStates[D3DRS_ALPHAFUNC])
                        : static_cast<int>(D3DCMP_ALWAYS);
    return key;
}

FixedFunctionShaders::Program* FixedFunctionShaders::Get(const FixedFunctionKey& key) {
    const auto found = programs_.find(key);
    if (found != programs_.end()) {
        return found->second;
    }
    std::string defines = kGlslHeader;
    if (key.lighting) {
        defines += "#define LIGHTING\n";
    }
    if (key.pretransformed) {
        defines += "#define PRETRANSFORMED\n";
    }
    if (key.cubeTexture) {
        defines += "#define CUBE_TEXTURE\n";
    }
    defines += Constants(key);
    Program* program = nullptr;
    const GLuint vs = Compile(GL_VERTEX_SHADER, defines + VertexSourceForDialect());
    const GLuint fs = Compile(GL_FRAGMENT_SHADER, defines + fragmentSource);
    if (vs != 0 && fs != 0) {
        const GLuint name = glCreateProgram();
        glAttachShader(name, vs);
        glAttachShader(name, fs);
        glLinkProgram(name);
        GLint ok = 0;
        glGetProgramiv(name, GL_LINK_STATUS, &ok);
        if (ok != 0) {
            program = new Program();
            program->name = name;
            const auto at = [name](const char* uniform) { return glGetUniformLocation(name, uniform); };
            program->worldView = at("uWorldView");
            program->projection = at("uProjection");
            program->normalMatrix = at("uNormalMatrix");
            program->screenToClip = at("uScreenToClip");
            program->pixelCentreShift = at(PixelCentre::uniformName);
            program->matDiffuse = at("uMatDiffuse");
            program->matAmbient = at("uMatAmbient");
            program->matSpecular = at("uMatSpecular");
            program->matEmissive = at("uMatEmissive");
            program->matPower = at("uMatPower");
            program->globalAmbient = at("uGlobalAmbient");
            program->lightDiffuse = at("uLightDiffuse");
            program->lightSpecular = at("uLightSpecular");
            program->lightAmbient = at("uLightAmbient");
            program->lightPosition = at("uLightPosition");
            program->lightDirection = at("uLightDirection");
            program->lightAttenuation = at("uLightAttenuation");
            program->lightSpot = at("uLightSpot");
            program->texMatrix = at("uTexMatrix");
            program->texture = at("uTexture");
            program->textureFactor = at("uTextureFactor");
            program->alphaRef = at("uAlphaRef");
        } else {
            char log[2048];
            glGetProgramInfoLog(name, sizeof log, nullptr, log);
            std::fprintf(stderr, "fixed-function program: %s\n", log);
            glDeleteProgram(name);
        }
    }
    if (vs != 0) {
        glDeleteShader(vs);
    }
    if (fs != 0) {
        glDeleteShader(fs);
    }
    programs_[key] = program;
    return program;
}

namespace {

void SetColour(GLint location, const D3DCOLORVALUE& c) {
    glUniform4f(location, c.r, c.g, c.b, c.a);
}

void SetColour(GLint location, D3DCOLOR c) {
    glUniform4f(location, ((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f,
                ((c >> 24) & 0xFF) / 255.0f);
}

} // namespace

bool FixedFunctionShaders::Use(const DeviceState& state, const FixedFunctionInputs& inputs) {
    const FixedFunctionKey key = KeyFor(state, inputs);
    Program* p = Get(key);
    if (p == nullptr) {
        return false;
    }
    glUseProgram(p->name);
    const Matrix worldView = Multiply(state.world, state.view);
    glUniformMatrix4fv(p->worldView, 1, GL_FALSE, &worldView.m[0][0]);
    glUniformMatrix4fv(p->projection, 1, GL_FALSE, &state.projection.m[0][0]);
    float normalMatrix[9];
    Inverse3x3(worldView, normalMatrix);
    // Normals go through the inverse transpose: n' = n · (WV⁻¹)ᵀ, which as a column vector is WV⁻¹ · n.
    glUniformMatrix3fv(p->normalMatrix, 1, GL_TRUE, normalMatrix);
    const D3DVIEWPORT9& vp = state.viewport;
    const float vw = vp.Width == 0 ? 1.0f : static_cast<float>(vp.Width);
    const float vh = vp.Height == 0 ? 1.0f : static_cast<float>(vp.Height);
    glUniform4f(p->screenToClip, 2.0f / vw, -2.0f / vh, -1.0f - 2.0f * vp.X / vw, 1.0f + 2.0f * vp.Y / vh);
    const PixelCentre::Shift shift = PixelCentre::ForViewport(vp, inputs.subpixelBits);
    glUniform2f(p->pixelCentreShift, shift.x, shift.y);

    if (key.lighting) {
        SetColour(p->matDiffuse, state.material.Diffuse);
        SetColour(p->matAmbient, state.material.Ambient);
        SetColour(p->matSpecular, state.material.Specular);
        SetColour(p->matEmissive, state.material.Emissive);
        glUniform1f(p->matPower, state.material.Power);
        SetColour(p->globalAmbient, state.renderStates[D3DRS_AMBIENT]);
        GLfloat diffuse[32] = {}, specular[32] = {}, ambient[32] = {}, attenuation[32] = {};
        GLfloat position[24] = {}, direction[24] = {}, spot[24] = {};
        int count = 0;
        for (DWORD i = 0; i < DeviceState::MaxLights; ++i) {
            if (!state.lightEnabled[i]) {
                continue;
            }
            const D3DLIGHT9& light = state.lights[i];
            const D3DCOLORVALUE* colours[3] = {&light.Diffuse, &light.Specular, &light.Ambient};
            GLfloat* targets[3] = {diffuse, specular, ambient};
            for (int c = 0; c < 3; ++c) {
                targets[c][count * 4 + 0] = colours[c]->r;
                targets[c][count * 4 + 1] = colours[c]->g;
                targets[c][count * 4 + 2] = colours[c]->b;
                targets[c][count * 4 + 3] = colours[c]->a;
            }
            const D3DVECTOR pos = TransformPoint(light.Position, state.view);
            const D3DVECTOR dir = TransformDirection(light.Direction, state.view);
            position[count * 3 + 0] = pos.x;
            position[count * 3 + 1] = pos.y;
            position[count * 3 + 2] = pos.z;
            direction[count * 3 + 0] = dir.x;
            direction[count * 3 + 1] = dir.y;
            direction[count * 3 + 2] = dir.z;
            attenuation[count * 4 + 0] = light.Attenuation0;
            attenuation[count * 4 + 1] = light.Attenuation1;
            attenuation[count * 4 + 2] = light.Attenuation2;
            attenuation[count * 4 + 3] = light.Range;
            spot[count * 3 + 0] = std::cos(light.Theta * 0.5f);
            spot[count * 3 + 1] = std::cos(light.Phi * 0.5f);
            spot[count * 3 + 2] = light.Falloff;
            ++count;
        }
        glUniform4fv(p->lightDiffuse, 8, diffuse);
        glUniform4fv(p->lightSpecular, 8, specular);
        glUniform4fv(p->lightAmbient, 8, ambient);
        glUniform3fv(p->lightPosition, 8, position);
        glUniform3fv(p->lightDirection, 8, direction);
        glUniform4fv(p->lightAttenuation, 8, attenuation);
        glUniform3fv(p->lightSpot, 8, spot);
    }

    glUniformMatrix4fv(p->texMatrix, 1, GL_FALSE, &state.textureTransforms[0].m[0][0]);
    glUniform1i(p->texture, 0);
    SetColour(p->textureFactor, state.renderStates[D3DRS_TEXTUREFACTOR]);
    glUniform1i(p->alphaRef, static_cast<GLint>(state.renderStates[D3DRS_ALPHAREF] & 0xFF));
    return true;
}
