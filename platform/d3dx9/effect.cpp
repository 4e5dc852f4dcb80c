// ID3DXEffect: an effect file parsed into parameters, samplers and techniques, its shaders
// translated to GLSL and, on the GL device, linked into one program per pass. Parameter
// values live in the effect instance and are uploaded at every BeginPass, since programs
// are shared between instances made from the same source.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/d3d9/com_object.h"
#include "platform/d3d9/gl_headers.h"
#include "platform/d3d9/gl_interop.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/effect_cache.h"
#include "platform/d3dx9/effect_parser.h"
#include "platform/d3dx9/effect_program.h"
#include "platform/d3dx9/effect_source.h"
#include "platform/d3dx9/effect_translation.h"
#include "platform/d3dx9/file_bytes.h"
#include "platform/trace/call_trace.h"

namespace {

// A pass's program in one GL share group, linked on first use there.
struct LinkedPass {
    bool tried = false;
    const EffectProgram* program = nullptr;
    std::vector<int> uniformParameters;   // parallel to program->uniforms: parameter index or -1
    std::vector<int> programSamplerUnits; // parallel to program->samplers: unit or -1
};

struct PassData {
    const EffectPass* pass = nullptr;
    std::vector<int> samplers; // indices into the description's samplers, in unit order
    GlslProgramSource source;  // GL device only
    std::array<LinkedPass, GlInterop::ShareGroupCount> linked;
};

struct SavedSamplerUnit {
    GLint texture2D = 0;
    GLint textureCube = 0;
    GLint sampler = 0;
};

GLint GlFilter(DWORD filter) {
    return filter == D3DTEXF_POINT || filter == D3DTEXF_NONE ? GL_NEAREST : GL_LINEAR;
}

GLint GlAddress(DWORD address) {
    switch (address) {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return kGlClampToBorder;
    case D3DTADDRESS_WRAP:
        return GL_REPEAT;
    default:
        return GL_CLAMP_TO_EDGE;
    }
}

HRESULT MakeErrorBuffer(const std::string& text, ID3DXBuffer** errors) {
    if (errors == nullptr) {
        return D3D_OK;
    }
    *errors = nullptr;
    HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(text.size() + 1), errors);
    if (SUCCEEDED(hr)) {
        std::memcpy((*errors)->GetBufferPointer(), text.c_str(), text.size() + 1);
    }
    return hr;
}

// Translations made or loaded in this run, by effect text: eight scenes load one file.
std::map<std::string, TranslatedEffect>& RunTranslations() {
    static auto* translations = new std::map<std::string, TranslatedEffect>();
    return *translations;
}

// The effect's translation: from this run, else from the cache on disk, else made now
// (always made now when `fresh`) and stored for later runs. A build without an HLSL compiler
// (the browser's) takes the translations made at build time and shipped with the media. Null
// with the compiler's message when the effect cannot be translated.
const TranslatedEffect* Translation(const EffectDescription& description, const std::string& hlsl,
                                    const std::string& effectText, bool fresh, std::string* error) {
    std::map<std::string, TranslatedEffect>& run = RunTranslations();
    if (!fresh) {
        const auto found = run.find(effectText);
        if (found != run.end()) {
            return &found->second;
        }
        std::optional<TranslatedEffect> stored =
            kEffectsTranslatedAtBuildTime
                ? EffectCache::LoadShipped(kShippedEffectsDirectory, effectText, kDeviceGlslDialect)
                : EffectCache::Load(effectText, kDeviceGlslDialect);
        if (stored) {
            return &run.insert_or_assign(effectText, std::move(*stored)).first->second;
        }
    }
    TranslatedEffect translated;
    if (!TranslateEffect(description, hlsl, kDeviceGlslDialect, &translated, error)) {
        return nullptr;
    }
    EffectCache::Store(effectText, translated);
    return &run.insert_or_assign(effectText, std::move(translated)).first->second;
}

class Effect final : public ComObject<ID3DXEffect> {
  public:
    Effect(IDirect3DDevice9* device, EffectDescription description)
        : description_(std::move(description)), gl_(GlInterop::IsGlDevice(device)) {
        device_ = DeviceLink(device);
        values_.resize(description_.parameters.size());
        textures_.resize(description_.parameters.size());
        for (size_t i = 0; i < description_.parameters.size(); ++i) {
            const EffectParameter& parameter = description_.parameters[i];
            if (parameter.type == EffectBaseType::Texture) {
                continue;
            }
            std::vector<DWORD>& words = values_[i];
            words.assign(parameter.ComponentCount(), 0);
            for (size_t c = 0; c < parameter.defaultValue.size(); ++c) {
                words[c] = ToWord(parameter, parameter.defaultValue[c]);
            }
        }
        samplerTextures_.resize(description_.samplers.size());
        for (std::vector<GLuint>& samplers : glSamplers_) {
            samplers.assign(description_.samplers.size(), 0);
        }
        technique_ = description_.techniques.empty() ? -1 : 0;
    }

    // Takes each pass's translated shaders and, on the GL device, links its program. False
    // when a program does not link or the translation does not fit the techniques.
    bool Compile(const TranslatedEffect& translated, std::string* error) {
        if (gl_) {
            GlInterop::MakeCurrent(device_.Follow());
        }
        if (translated.techniques.size() != description_.techniques.size()) {
            *error = "the translation does not match the effect's techniques";
            return false;
        }
        passes_.assign(description_.techniques.size(), {});
        for (size_t t = 0; t < description_.techniques.size(); ++t) {
            const EffectTechnique& technique = description_.techniques[t];
            if (translated.techniques[t].size() != technique.passes.size()) {
                *error = technique.name + ": the translation does not match the technique's passes";
                return false;
            }
            for (size_t p = 0; p < technique.passes.size(); ++p) {
                PassData data;
                data.pass = &technique.passes[p];
                const TranslatedPass& pass = translated.techniques[t][p];
                if (!pass.hasShaders) {
                    passes_[t].push_back(std::move(data)); // render states only
                    continue;
                }
                data.source = pass.program;
                for (const GlslNamePair& sampler : data.source.samplers) {
                    data.samplers.push_back(FindSampler(sampler.hlsl.c_str()));
                }
                if (gl_ && Linked(data, error).program == nullptr) {
                    *error = technique.name + ": " + *error;
                    return false;
                }
                passes_[t].push_back(std::move(data));
            }
        }
        return true;
    }

    // The pass's program in the share group current now (the device's), linked there on
    // first use; a null program (with the error) when it does not link.
    LinkedPass& Linked(PassData& data, std::string* error) {
        LinkedPass& linked = data.linked[static_cast<size_t>(GlInterop::CurrentShareGroup())];
        if (linked.tried) {
            return linked;
        }
        linked.tried = true;
        linked.program = LinkEffectProgram(device_.Follow(), data.source, error);
        if (linked.program == nullptr) {
            return linked;
        }
        for (const EffectProgramUniform& uniform : linked.program->uniforms) {
            linked.uniformParameters.push_back(FindParameter(uniform.parameter.c_str()));
        }
        for (const EffectProgramSampler& sampler : linked.program->samplers) {
            int unit = -1;
            for (size_t u = 0; u < data.source.samplers.size(); ++u) {
                if (data.source.samplers[u].hlsl == sampler.sampler) {
                    unit = static_cast<int>(u);
                }
            }
            linked.programSamplerUnits.push_back(unit);
        }
        return linked;
    }

    HRESULT SetValue(D3DXHANDLE name, const void* data, UINT bytes) override {
        int index = FindParameter(name);
        if (CallTrace::Enabled()) {
            const bool isTexture =
                index >= 0 && description_.parameters[index].type == EffectBaseType::Texture;
            Trace(CallTrace::Formatter().EffectSetValue(this, name, data, bytes, isTexture));
        }
        if (index < 0 || data == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        if (description_.parameters[index].type == EffectBaseType::Texture) {
            if (bytes != sizeof(IDirect3DBaseTexture9*)) {
                return D3DERR_INVALIDCALL;
            }
            IDirect3DBaseTexture9* texture = nullptr;
            std::memcpy(&texture, data, sizeof(texture));
            Assign(&textures_[index], texture);
            return D3D_OK;
        }
        std::vector<DWORD>& words = values_[index];
        std::memcpy(words.data(), data, std::min<size_t>(bytes, words.size() * sizeof(DWORD)));
        return D3D_OK;
    }

    HRESULT GetValue(D3DXHANDLE name, void* data, UINT bytes) override {
        int index = FindParameter(name);
        if (index < 0 || data == nullptr || description_.parameters[index].type == EffectBaseType::Texture) {
            return D3DERR_INVALIDCALL;
        }
        const std::vector<DWORD>& words = values_[index];
        std::memcpy(data, words.data(), std::min<size_t>(bytes, words.size() * sizeof(DWORD)));
        return D3D_OK;
    }

    HRESULT SetMatrix(D3DXHANDLE name, const D3DXMATRIX* matrix) override {
        if (CallTrace::Enabled()) {
            Trace(CallTrace::Formatter().EffectSetMatrix(this, name, matrix));
        }
        int index = FindParameter(name);
        if (index < 0 || matrix == nullptr ||
            description_.parameters[index].type == EffectBaseType::Texture) {
            return D3DERR_INVALIDCALL;
        }
        const EffectParameter& parameter = description_.parameters[index];
        // The top-left rows x columns of the matrix, row by row.
        for (unsigned r = 0; r < std::min(parameter.rows, 4u); ++r) {
            for (unsigned c = 0; c < std::min(parameter.columns, 4u); ++c) {
                values_[index][r * parameter.columns + c] = ToWord(parameter, matrix->m[r][c]);
            }
        }
        return D3D_OK;
    }

    HRESULT SetFloat(D3DXHANDLE name, float value) override {
        if (CallTrace::Enabled()) {
            Trace(CallTrace::Formatter().EffectSetFloat(this, name, value));
        }
        int index = FindParameter(name);
        if (index < 0 || description_.parameters[index].type == EffectBaseType::Texture) {
            return D3DERR_INVALIDCALL;
        }
        values_[index][0] = ToWord(description_.parameters[index], value);
        return D3D_OK;
    }

    HRESULT SetVector(D3DXHANDLE name, const D3DXVECTOR4* vector) override {
        if (CallTrace::Enabled()) {
            const float xyzw[4] = {vector ? vector->x : 0, vector ? vector->y : 0, vector ? vector->z : 0,
                                   vector ? vector->w : 0};
            Trace(CallTrace::Formatter().EffectSetVector(this, name, vector ? xyzw : nullptr));
        }
        int index = FindParameter(name);
        if (index < 0 || vector == nullptr ||
            description_.parameters[index].type == EffectBaseType::Texture) {
            return D3DERR_INVALIDCALL;
        }
        const float components[4] = {vector->x, vector->y, vector->z, vector->w};
        std::vector<DWORD>& words = values_[index];
        for (size_t c = 0; c < std::min<size_t>(4, words.size()); ++c) {
            words[c] = ToWord(description_.parameters[index], components[c]);
        }
        return D3D_OK;
    }

    HRESULT SetTexture(D3DXHANDLE name, IDirect3DBaseTexture9* texture) override {
        if (CallTrace::Enabled()) {
            Trace(CallTrace::Formatter().EffectSetTexture(this, name, texture));
        }
        int index = FindParameter(name);
        if (index >= 0 && description_.parameters[index].type == EffectBaseType::Texture) {
            Assign(&textures_[index], texture);
            return D3D_OK;
        }
        // A sampler without a "Texture =" state can be given its texture directly.
        int sampler = FindSampler(name);
        if (sampler >= 0) {
            Assign(&samplerTextures_[sampler], texture);
            return D3D_OK;
        }
        return D3DERR_INVALIDCALL;
    }

    HRESULT SetTechnique(D3DXHANDLE name) override {
        if (CallTrace::Enabled()) {
            Trace(CallTrace::Formatter().EffectSetTechnique(this, name));
        }
        if (name == nullptr || inBegin_) {
            return D3DERR_INVALIDCALL;
        }
        for (size_t t = 0; t < description_.techniques.size(); ++t) {
            if (description_.techniques[t].name == name) {
                technique_ = static_cast<int>(t);
                return D3D_OK;
            }
        }
        return D3DERR_INVALIDCALL;
    }

    HRESULT Begin(UINT* passes, DWORD flags) override {
        if (CallTrace::Enabled()) {
            Trace(CallTrace::Formatter().EffectBegin(this, flags));
        }
        if (technique_ < 0 || inBegin_ || device_.Follow() == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        inBegin_ = true;
        flags_ = flags;
        savedStates_.clear();
        savedTextures_.clear();
        savedSamplerStates_.clear();
        IDirect3DDevice9* device = device_.Follow();
        if ((flags & D3DXFX_DONOTSAVESTATE) == 0) {
            // Like D3DX, Begin without flags puts back at End the states the passes change.
            for (const PassData& data : passes_[technique_]) {
                for (const EffectRenderState& state : data.pass->renderStates) {
                    DWORD value = 0;
                    if (SUCCEEDED(device->GetRenderState(state.state, &value))) {
                        savedStates_.push_back({state.state, value});
                    }
                }
                if ((flags & D3DXFX_DONOTSAVESAMPLERSTATE) != 0) {
                    continue;
                }
                for (size_t unit = 0; unit < data.samplers.size(); ++unit) {
                    IDirect3DBaseTexture9* texture = nullptr;
                    if (SUCCEEDED(device->GetTexture(static_cast<DWORD>(unit), &texture))) {
                        savedTextures_.push_back({static_cast<DWORD>(unit), texture});
                    }
                    if (data.samplers[unit] < 0) {
                        continue;
                    }
                    for (const EffectSamplerState& state :
                         description_.samplers[data.samplers[unit]].states) {
                        DWORD value = 0;
                        if (SUCCEEDED(
                                device->GetSamplerState(static_cast<DWORD>(unit), state.type, &value))) {
                            savedSamplerStates_.push_back({static_cast<DWORD>(unit), state.type, value});
                        }
                    }
                }
            }
        }
        if (passes != nullptr) {
            *passes = static_cast<UINT>(passes_[technique_].size());
        }
        return D3D_OK;
    }

    HRESULT BeginPass(UINT pass) override {
        if (CallTrace::Enabled()) {
            Trace(CallTrace::Formatter().EffectBeginPass(this, pass));
        }
        if (!inBegin_ || pass >= passes_[technique_].size() || currentPass_ >= 0) {
            return D3DERR_INVALIDCALL;
        }
        currentPass_ = static_cast<int>(pass);
        ApplyPass();
        return D3D_OK;
    }

    HRESULT CommitChanges() override {
        if (CallTrace::Enabled()) {
            Trace(CallTrace::Formatter().EffectCall(this, "CommitChanges"));
        }
        if (currentPass_ < 0) {
            return D3DERR_INVALIDCALL;
        }
        if (gl_) {
            std::string error;
            UploadUniforms(Linked(passes_[technique_][currentPass_], &error));
        }
        return D3D_OK;
    }

    HRESULT EndPass() override {
        if (CallTrace::Enabled()) {
            Trace(CallTrace::Formatter().EffectCall(this, "EndPass"));
        }
        if (currentPass_ < 0) {
            return D3DERR_INVALIDCALL;
        }
        if (gl_) {
            RestoreGlUnits();
        }
        currentPass_ = -1;
        return D3D_OK;
    }

    HRESULT End() override {
        if (CallTrace::Enabled()) {
            Trace(CallTrace::Formatter().EffectCall(this, "End"));
        }
        if (!inBegin_) {
            return D3DERR_INVALIDCALL;
        }
        if (currentPass_ >= 0) {
            EndPass();
        }
        IDirect3DDevice9* device = device_.Follow();
        for (auto it = savedStates_.rbegin(); it != savedStates_.rend(); ++it) {
            device->SetRenderState(it->state, it->value);
        }
        for (auto it = savedSamplerStates_.rbegin(); it != savedSamplerStates_.rend(); ++it) {
            device->SetSamplerState(it->unit, it->type, it->value);
        }
        for (auto it = savedTextures_.rbegin(); it != savedTextures_.rend(); ++it) {
            device->SetTexture(it->first, it->second);
            if (it->second != nullptr) {
                it->second->Release();
            }
        }
        savedStates_.clear();
        savedSamplerStates_.clear();
        savedTextures_.clear();
        if (gl_) {
            GlInterop::UseProgram(device, 0);
        }
        inBegin_ = false;
        return D3D_OK;
    }

    HRESULT OnLostDevice() override { return D3D_OK; }
    HRESULT OnResetDevice() override { return D3D_OK; }

  private:
    static void Trace(const RecordedCall& call) { CallTrace::Record("ID3DXEffect", call); }

    struct SavedSamplerState {
        DWORD unit;
        D3DSAMPLERSTATETYPE type;
        DWORD value;
    };

    ~Effect() override {
        for (IDirect3DBaseTexture9* texture : textures_) {
            Assign(&texture, nullptr);
        }
        for (IDirect3DBaseTexture9* texture : samplerTextures_) {
            Assign(&texture, nullptr);
        }
        for (auto& saved : savedTextures_) {
            if (saved.second != nullptr) {
                saved.second->Release();
            }
        }
        if (gl_) {
            GlInterop::MakeCurrent(device_.Follow());
        }
        for (int group = 0; group < GlInterop::ShareGroupCount; ++group) {
            std::vector<GLuint>& samplers = glSamplers_[static_cast<size_t>(group)];
            if (std::any_of(samplers.begin(), samplers.end(), [](GLuint sampler) { return sampler != 0; })) {
                GlInterop::InShareGroup(group, [&samplers] {
                    glDeleteSamplers(static_cast<GLsizei>(samplers.size()), samplers.data());
                });
            }
        }
    }

    static void Assign(IDirect3DBaseTexture9** slot, IDirect3DBaseTexture9* texture) {
        if (texture != nullptr) {
            texture->AddRef();
        }
        if (*slot != nullptr) {
            (*slot)->Release();
        }
        *slot = texture;
    }

    static DWORD ToWord(const EffectParameter& parameter, float value) {
        DWORD word = 0;
        if (parameter.type == EffectBaseType::Float) {
            std::memcpy(&word, &value, sizeof(word));
        } else {
            word = static_cast<DWORD>(IntFromFloat(value));
        }
        return word;
    }

    // A value no int holds (1e40, an infinity) saturates and NaN counts as 0: a plain
    // conversion of those is undefined.
    static int32_t IntFromFloat(float value) {
        if (std::isnan(value)) {
            return 0;
        }
        if (value >= 2147483648.0f) {
            return std::numeric_limits<int32_t>::max();
        }
        if (value < -2147483648.0f) {
            return std::numeric_limits<int32_t>::min();
        }
        return static_cast<int32_t>(value);
    }

    int FindParameter(D3DXHANDLE name) const {
        if (name == nullptr) {
            return -1;
        }
        for (size_t i = 0; i < description_.parameters.size(); ++i) {
            if (description_.parameters[i].name == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    int FindSampler(D3DXHANDLE name) const {
        if (name == nullptr) {
            return -1;
        }
        for (size_t i = 0; i < description_.samplers.size(); ++i) {
            if (description_.samplers[i].name == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    IDirect3DBaseTexture9* SamplerTexture(int sampler) const {
        if (sampler < 0) {
            return nullptr;
        }
        if (samplerTextures_[sampler] != nullptr) {
            return samplerTextures_[sampler];
        }
        int parameter = FindParameter(description_.samplers[sampler].texture.c_str());
        if (parameter < 0 || description_.parameters[parameter].type != EffectBaseType::Texture) {
            return nullptr;
        }
        return textures_[parameter];
    }

    void ApplyPass() {
        IDirect3DDevice9* device = device_.Follow();
        PassData& data = passes_[technique_][currentPass_];
        for (const EffectRenderState& state : data.pass->renderStates) {
            device->SetRenderState(state.state, state.value);
        }
        for (size_t unit = 0; unit < data.samplers.size(); ++unit) {
            device->SetTexture(static_cast<DWORD>(unit), SamplerTexture(data.samplers[unit]));
            if (data.samplers[unit] >= 0) {
                for (const EffectSamplerState& state : description_.samplers[data.samplers[unit]].states) {
                    device->SetSamplerState(static_cast<DWORD>(unit), state.type, state.value);
                }
            }
        }
        if (!gl_) {
            return;
        }
        GlInterop::MakeCurrent(device);
        std::string error;
        const LinkedPass& linked = Linked(data, &error);
        GLuint program = linked.program != nullptr ? linked.program->program : 0;
        GlInterop::UseProgram(device, program);
        if (program == 0) {
            return;
        }
        glUseProgram(program);
        UploadUniforms(linked);
        BindGlUnits(data, linked);
    }

    void UploadUniforms(const LinkedPass& linked) {
        if (linked.program == nullptr) {
            return;
        }
        for (size_t i = 0; i < linked.program->uniforms.size(); ++i) {
            int parameter = linked.uniformParameters[i];
            if (parameter < 0 || description_.parameters[parameter].type == EffectBaseType::Texture) {
                continue;
            }
            const EffectProgramUniform& uniform = linked.program->uniforms[i];
            Upload(uniform, values_[parameter]);
        }
    }

    static void Upload(const EffectProgramUniform& uniform, const std::vector<DWORD>& words) {
        struct Shape {
            GLenum type;
            int components;
        };
        constexpr Shape Shapes[] = {
            {GL_FLOAT, 1},
            {GL_FLOAT_VEC2, 2},
            {GL_FLOAT_VEC3, 3},
            {GL_FLOAT_VEC4, 4},
            {GL_INT, 1},
            {GL_INT_VEC2, 2},
            {GL_INT_VEC3, 3},
            {GL_INT_VEC4, 4},
            {GL_BOOL, 1},
            {GL_BOOL_VEC2, 2},
            {GL_BOOL_VEC3, 3},
            {GL_BOOL_VEC4, 4},
            {GL_UNSIGNED_INT, 1},
            {GL_UNSIGNED_INT_VEC2, 2},
            {GL_UNSIGNED_INT_VEC3, 3},
            {GL_UNSIGNED_INT_VEC4, 4},
            {GL_FLOAT_MAT2, 4},
            {GL_FLOAT_MAT3, 9},
            {GL_FLOAT_MAT4, 16},
            {GL_FLOAT_MAT2x3, 6},
            {GL_FLOAT_MAT2x4, 8},
            {GL_FLOAT_MAT3x2, 6},
            {GL_FLOAT_MAT3x4, 12},
            {GL_FLOAT_MAT4x2, 8},
            {GL_FLOAT_MAT4x3, 12},
        };
        int components = 0;
        for (const Shape& shape : Shapes) {
            if (shape.type == uniform.glType) {
                components = shape.components;
            }
        }
        if (components == 0) {
            return;
        }
        // Pads when the GL type is wider than the parameter (a bool stored in a uint, say).
        std::vector<DWORD> padded(static_cast<size_t>(components) * uniform.count, 0);
        std::memcpy(padded.data(), words.data(), std::min(padded.size(), words.size()) * sizeof(DWORD));
        const auto* f = reinterpret_cast<const GLfloat*>(padded.data());
        const auto* i = reinterpret_cast<const GLint*>(padded.data());
        const auto* u = reinterpret_cast<const GLuint*>(padded.data());
        GLint loc = uniform.location;
        GLsizei n = uniform.count;
        switch (uniform.glType) {
        case GL_FLOAT:
            glUniform1fv(loc, n, f);
            break;
        case GL_FLOAT_VEC2:
            glUniform2fv(loc, n, f);
            break;
        case GL_FLOAT_VEC3:
            glUniform3fv(loc, n, f);
            break;
        case GL_FLOAT_VEC4:
            glUniform4fv(loc, n, f);
            break;
        case GL_INT:
        case GL_BOOL:
            glUniform1iv(loc, n, i);
            break;
        case GL_INT_VEC2:
        case GL_BOOL_VEC2:
            glUniform2iv(loc, n, i);
            break;
        case GL_INT_VEC3:
        case GL_BOOL_VEC3:
            glUniform3iv(loc, n, i);
            break;
        case GL_INT_VEC4:
        case GL_BOOL_VEC4:
            glUniform4iv(loc, n, i);
            break;
        case GL_UNSIGNED_INT:
            glUniform1uiv(loc, n, u);
            break;
        case GL_UNSIGNED_INT_VEC2:
            glUniform2uiv(loc, n, u);
            break;
        case GL_UNSIGNED_INT_VEC3:
            glUniform3uiv(loc, n, u);
            break;
        case GL_UNSIGNED_INT_VEC4:
            glUniform4uiv(loc, n, u);
            break;
        // Each HLSL row is a GL column, so the row-major data goes in untransposed.
        case GL_FLOAT_MAT2:
            glUniformMatrix2fv(loc, n, GL_FALSE, f);
            break;
        case GL_FLOAT_MAT3:
            glUniformMatrix3fv(loc, n, GL_FALSE, f);
            break;
        case GL_FLOAT_MAT4:
            glUniformMatrix4fv(loc, n, GL_FALSE, f);
            break;
        case GL_FLOAT_MAT2x3:
            glUniformMatrix2x3fv(loc, n, GL_FALSE, f);
            break;
        case GL_FLOAT_MAT2x4:
            glUniformMatrix2x4fv(loc, n, GL_FALSE, f);
            break;
        case GL_FLOAT_MAT3x2:
            glUniformMatrix3x2fv(loc, n, GL_FALSE, f);
            break;
        case GL_FLOAT_MAT3x4:
            glUniformMatrix3x4fv(loc, n, GL_FALSE, f);
            break;
        case GL_FLOAT_MAT4x2:
            glUniformMatrix4x2fv(loc, n, GL_FALSE, f);
            break;
        case GL_FLOAT_MAT4x3:
            glUniformMatrix4x3fv(loc, n, GL_FALSE, f);
            break;
        default:
            break;
        }
    }

    // Binds each sampler's texture with the sampler's states on its unit. What the units
    // held before is kept and put back at EndPass, so the device's own bindings stay valid.
    void BindGlUnits(const PassData& data, const LinkedPass& linked) {
        std::vector<GLuint>& glSamplers = glSamplers_[static_cast<size_t>(GlInterop::CurrentShareGroup())];
        GLint activeUnit = GL_TEXTURE0;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
        savedUnits_.assign(data.samplers.size(), SavedSamplerUnit{});
        for (size_t unit = 0; unit < data.samplers.size(); ++unit) {
            int sampler = data.samplers[unit];
            glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
            SavedSamplerUnit& saved = savedUnits_[unit];
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &saved.texture2D);
            glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &saved.textureCube);
            glGetIntegerv(GL_SAMPLER_BINDING, &saved.sampler);
            if (sampler < 0) {
                continue;
            }
            const EffectSampler& description = description_.samplers[sampler];
            GLenum wanted =
                description.dimension == EffectSamplerDimension::Cube ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D;
            IDirect3DBaseTexture9* texture = SamplerTexture(sampler);
            unsigned target = 0;
            unsigned name = GlInterop::TextureName(texture, &target);
            // A missing texture or one of the wrong kind samples as black.
            glBindTexture(wanted, target == wanted ? name : 0);
            if (glSamplers[sampler] == 0) {
                glGenSamplers(1, &glSamplers[sampler]);
            }
            ConfigureSampler(glSamplers[sampler], description,
                             texture != nullptr && texture->GetLevelCount() > 1);
            glBindSampler(static_cast<GLuint>(unit), glSamplers[sampler]);
        }
        for (size_t i = 0; i < linked.program->samplers.size(); ++i) {
            if (linked.programSamplerUnits[i] >= 0) {
                glUniform1i(linked.program->samplers[i].location, linked.programSamplerUnits[i]);
            }
        }
        glActiveTexture(static_cast<GLenum>(activeUnit));
    }

    static void ConfigureSampler(GLuint sampler, const EffectSampler& description, bool hasMips) {
        // Direct3D's defaults: point sampling, no mipmapping, wrapping.
        DWORD minFilter = D3DTEXF_POINT, magFilter = D3DTEXF_POINT, mipFilter = D3DTEXF_NONE;
        DWORD address[3] = {D3DTADDRESS_WRAP, D3DTADDRESS_WRAP, D3DTADDRESS_WRAP};
        for (const EffectSamplerState& state : description.states) {
            switch (state.type) {
            case D3DSAMP_MINFILTER:
                minFilter = state.value;
                break;
            case D3DSAMP_MAGFILTER:
                magFilter = state.value;
                break;
            case D3DSAMP_MIPFILTER:
                mipFilter = state.value;
                break;
            case D3DSAMP_ADDRESSU:
                address[0] = state.value;
                break;
            case D3DSAMP_ADDRESSV:
                address[1] = state.value;
                break;
            case D3DSAMP_ADDRESSW:
                address[2] = state.value;
                break;
            default:
                break;
            }
        }
        GLint min = GlFilter(minFilter);
        if (hasMips && mipFilter != D3DTEXF_NONE) {
            bool linearMip = mipFilter != D3DTEXF_POINT;
            min = min == GL_NEAREST ? (linearMip ? GL_NEAREST_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST)
                                    : (linearMip ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_NEAREST);
        }
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, min);
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GlFilter(magFilter));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GlAddress(address[0]));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GlAddress(address[1]));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, GlAddress(address[2]));
        // Cube faces meet without seams, as on Direct3D 9 hardware.
        GlSamplerSeamlessCube(sampler);
    }

    void RestoreGlUnits() {
        GLint activeUnit = GL_TEXTURE0;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
        for (size_t unit = 0; unit < savedUnits_.size(); ++unit) {
            glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
            glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(savedUnits_[unit].texture2D));
            glBindTexture(GL_TEXTURE_CUBE_MAP, static_cast<GLuint>(savedUnits_[unit].textureCube));
            glBindSampler(static_cast<GLuint>(unit), static_cast<GLuint>(savedUnits_[unit].sampler));
        }
        savedUnits_.clear();
        glActiveTexture(static_cast<GLenum>(activeUnit));
    }

    // Not referenced: like a device's resources, an effect does not keep its device alive.
    DeviceLink device_;
    EffectDescription description_;
    bool gl_;
    std::vector<std::vector<DWORD>> values_;
    std::vector<IDirect3DBaseTexture9*> textures_;                           // referenced, per parameter
    std::vector<IDirect3DBaseTexture9*> samplerTextures_;                    // referenced, per sampler
    std::array<std::vector<GLuint>, GlInterop::ShareGroupCount> glSamplers_; // per share group
    std::vector<std::vector<PassData>> passes_;
    int technique_ = -1;
    int currentPass_ = -1;
    bool inBegin_ = false;
    DWORD flags_ = 0;
    std::vector<EffectRenderState> savedStates_;
    std::vector<std::pair<DWORD, IDirect3DBaseTexture9*>> savedTextures_;
    std::vector<SavedSamplerState> savedSamplerStates_;
    std::vector<SavedSamplerUnit> savedUnits_;
};

} // namespace

HRESULT D3DXCreateEffectFromFileW(IDirect3DDevice9* device, LPCWSTR srcFile, const D3DXMACRO* defines,
                                  ID3DXInclude* /*include*/, DWORD /*flags*/, ID3DXEffectPool* /*pool*/,
                                  ID3DXEffect** effect, ID3DXBuffer** compilationErrors) {
    if (compilationErrors != nullptr) {
        *compilationErrors = nullptr;
    }
    if (effect == nullptr || device == nullptr || srcFile == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *effect = nullptr;
    auto bytes = FileBytes::Read(std::wstring_view(srcFile));
    if (!bytes) {
        MakeErrorBuffer("cannot open the effect file", compilationErrors);
        return D3DERR_NOTFOUND;
    }
    EffectSource source;
    std::string error;
    if (!PrepareEffectSource(std::string(bytes->begin(), bytes->end()), defines, &source, &error)) {
        MakeErrorBuffer(error, compilationErrors);
        return D3DXERR_INVALIDDATA;
    }
    const EffectDescription& description = source.description;
    const std::string& hlsl = source.hlsl;
    const std::string& effectText = source.effectText;
    // A stored translation that does not link is passed over like a damaged one: the
    // effect is translated afresh and the entry replaced.
    Effect* created = nullptr;
    for (const bool fresh : {false, true}) {
        const TranslatedEffect* translated = Translation(description, hlsl, effectText, fresh, &error);
        if (translated == nullptr) {
            MakeErrorBuffer(error, compilationErrors);
            return D3DXERR_INVALIDDATA;
        }
        created = new Effect(device, description);
        if (created->Compile(*translated, &error)) {
            break;
        }
        created->Release();
        created = nullptr;
        if (fresh) {
            MakeErrorBuffer(error, compilationErrors);
            return D3DXERR_INVALIDDATA;
        }
    }
    *effect = created;
    return D3D_OK;
}
