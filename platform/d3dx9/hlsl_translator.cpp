#include "platform/d3dx9/hlsl_translator.h"

#define ENABLE_HLSL 1
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv-tools/libspirv.hpp>
#include <spirv_cross/spirv_glsl.hpp>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <regex>
#include <sstream>

#include "platform/d3d9/gl_interop.h"

namespace {

struct SemanticLocation {
    const char* semantic;
    unsigned location;
};

// Vertex inputs are fed by the device at fixed locations, one per flexible-format element.
constexpr SemanticLocation AttributeLocations[] = {
    {"POSITION0", GlInterop::AttributePosition},  {"NORMAL0", GlInterop::AttributeNormal},
    {"COLOR0", GlInterop::AttributeDiffuse},      {"TEXCOORD0", GlInterop::AttributeTexCoord0},
    {"TEXCOORD1", GlInterop::AttributeTexCoord1},
};

constexpr const char* PositionName = "qm_Position";

std::string NormalizeSemantic(std::string semantic) {
    for (char& c : semantic) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (semantic.empty() || !std::isdigit(static_cast<unsigned char>(semantic.back()))) {
        semantic += '0';
    }
    return semantic;
}

bool IsPositionSemantic(const std::string& semantic) {
    return semantic == "POSITION0" || semantic == "SV_POSITION0";
}

std::string VectorType(unsigned components) {
    return components == 1 ? "float" : "vec" + std::to_string(components);
}

void InitializeGlslang() {
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });
}

bool CompileToSpirv(const std::string& hlsl, const std::string& entry, HlslStage stage,
                    std::vector<uint32_t>* spirv, std::string* error) {
    InitializeGlslang();
    // glslang quietly compiles an empty shader when the entry point does not exist.
    bool identifier = !entry.empty() && std::all_of(entry.begin(), entry.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
    if (!identifier || !std::regex_search(hlsl, std::regex("\\b" + entry + "\\s*\\("))) {
        *error = "entry point " + entry + " not found";
        return false;
    }
    EShLanguage language = stage == HlslStage::Vertex ? EShLangVertex : EShLangFragment;
    glslang::TShader shader(language);
    const char* text = hlsl.c_str();
    shader.setStrings(&text, 1);
    shader.setEntryPoint(entry.c_str());
    shader.setSourceEntryPoint(entry.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    // Keeps the semantics on the interface variables: the stages are matched by them.
    shader.setEnvTargetHlslFunctionality1();
    // Without the DX9 mode, tex2D on a sampler gives invalid SPIR-V.
    auto messages = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl |
                                             EShMsgHlslDX9Compatible);
    if (!shader.parse(GetDefaultResources(), 100, false, messages)) {
        *error = std::string(shader.getInfoLog());
        return false;
    }
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(messages)) {
        *error = std::string(program.getInfoLog());
        return false;
    }
    glslang::SpvOptions options;
    spv::SpvBuildLogger logger;
    glslang::GlslangToSpv(*program.getIntermediate(language), *spirv, &logger, &options);
    std::string validation;
    spvtools::SpirvTools tools(SPV_ENV_VULKAN_1_0);
    tools.SetMessageConsumer(
        [&validation](spv_message_level_t, const char*, const spv_position_t&, const char* message) {
            validation += std::string(message) + "\n";
        });
    if (!tools.Validate(*spirv)) {
        *error = entry + ": invalid SPIR-V: " + validation;
        return false;
    }
    return true;
}

// Replaces the line declaring `name` ("... name;") with `replacement`.
void ReplaceDeclaration(std::string* glsl, const std::string& name, const std::string& replacement) {
    std::string suffix = " " + name + ";";
    size_t pos = 0;
    while (pos < glsl->size()) {
        size_t end = glsl->find('\n', pos);
        if (end == std::string::npos) {
            end = glsl->size();
        }
        std::string_view line(glsl->data() + pos, end - pos);
        bool matches =
            line.size() >= suffix.size() && line.substr(line.size() - suffix.size()) == suffix &&
            (line.substr(0, 3) == "in " || line.substr(0, 4) == "out " ||
             line.find(") in ") != std::string_view::npos || line.find(") out ") != std::string_view::npos);
        if (matches) {
            glsl->replace(pos, end - pos, replacement);
            return;
        }
        pos = end + 1;
    }
}

} // namespace

bool TranslateHlsl(const std::string& hlsl, const std::string& entry, HlslStage stage, GlslShader* shader,
                   std::string* error, GlslDialect dialect) {
    *shader = GlslShader{};
    std::vector<uint32_t> spirv;
    if (!CompileToSpirv(hlsl, entry, stage, &spirv, error)) {
        return false;
    }
    try {
        spirv_cross::CompilerGLSL compiler(std::move(spirv));
        spirv_cross::CompilerGLSL::Options options = compiler.get_common_options();
        options.es = dialect == GlslDialect::GlslEs300;
        options.version = options.es ? 300 : 330;
        options.enable_420pack_extension = false;
        // Plain uniforms take Direct3D's row-major matrices untransposed.
        options.emit_uniform_buffer_as_plain_uniforms = true;
        options.vertex.fixup_clipspace = false;
        compiler.set_common_options(options);

        spirv_cross::ShaderResources resources = compiler.get_shader_resources();
        std::vector<std::pair<spirv_cross::TypeID, std::vector<std::string>>> memberNames;
        for (const spirv_cross::Resource& buffer : resources.uniform_buffers) {
            compiler.set_name(buffer.id, GlslGlobalsName);
            compiler.unset_decoration(buffer.id, spv::DecorationBinding);
            compiler.unset_decoration(buffer.id, spv::DecorationDescriptorSet);
            const spirv_cross::SPIRType& type = compiler.get_type(buffer.base_type_id);
            std::vector<std::string> names;
            for (uint32_t i = 0; i < type.member_types.size(); ++i) {
                names.push_back(compiler.get_member_name(buffer.base_type_id, i));
            }
            memberNames.emplace_back(buffer.base_type_id, std::move(names));
        }
        std::vector<std::pair<spirv_cross::ID, std::string>> samplerIds;
        for (const spirv_cross::Resource& image : resources.sampled_images) {
            compiler.unset_decoration(image.id, spv::DecorationBinding);
            compiler.unset_decoration(image.id, spv::DecorationDescriptorSet);
            samplerIds.emplace_back(image.id, compiler.get_name(image.id));
        }
        std::vector<std::pair<std::string, std::string>> replacements;
        for (const spirv_cross::Resource& input : resources.stage_inputs) {
            std::string semantic = NormalizeSemantic(
                compiler.get_decoration_string(input.id, spv::DecorationHlslSemanticGOOGLE));
            compiler.unset_decoration(input.id, spv::DecorationLocation);
            unsigned components = compiler.get_type(input.type_id).vecsize;
            if (stage == HlslStage::Vertex) {
                std::string name = "qm_a_" + semantic;
                compiler.set_name(input.id, name);
                int location = -1;
                for (const SemanticLocation& entry : AttributeLocations) {
                    if (semantic == entry.semantic) {
                        location = static_cast<int>(entry.location);
                    }
                }
                shader->attributes.push_back({name, location});
            } else if (semantic == "VPOS0" || IsPositionSemantic(semantic)) {
                compiler.set_name(input.id, "qm_f_" + semantic);
                replacements.emplace_back("qm_f_" + semantic,
                                          "#define qm_f_" + semantic + " " +
                                              (components == 4 ? "gl_FragCoord" : "gl_FragCoord.xy"));
            } else if (semantic == "VFACE0") {
                compiler.set_name(input.id, "qm_f_" + semantic);
                replacements.emplace_back("qm_f_" + semantic,
                                          "#define qm_f_" + semantic + " (gl_FrontFacing ? 1.0 : -1.0)");
            } else {
                compiler.set_name(input.id, "qm_f_" + semantic);
                shader->varyings.push_back({semantic, components});
            }
        }
        for (const spirv_cross::Resource& output : resources.stage_outputs) {
            std::string semantic = NormalizeSemantic(
                compiler.get_decoration_string(output.id, spv::DecorationHlslSemanticGOOGLE));
            unsigned components = compiler.get_type(output.type_id).vecsize;
            if (stage == HlslStage::Vertex) {
                compiler.unset_decoration(output.id, spv::DecorationLocation);
                if (IsPositionSemantic(semantic)) {
                    // The Direct3D 9 position output comes through as an ordinary varying.
                    compiler.set_name(output.id, PositionName);
                    replacements.emplace_back(PositionName,
                                              std::string("#define ") + PositionName + " gl_Position");
                } else {
                    compiler.set_name(output.id, "qm_v_" + semantic);
                    shader->varyings.push_back({semantic, components});
                }
            } else {
                compiler.set_name(output.id, "qm_o_" + semantic);
            }
        }
        shader->glsl = compiler.compile();
        for (const auto& [name, replacement] : replacements) {
            ReplaceDeclaration(&shader->glsl, name, replacement);
        }
        for (const auto& [id, hlslName] : samplerIds) {
            shader->samplers.push_back({hlslName, compiler.get_name(id)});
        }
        for (const auto& [typeId, names] : memberNames) {
            for (uint32_t i = 0; i < names.size(); ++i) {
                shader->globals.push_back({names[i], compiler.get_member_name(typeId, i)});
            }
        }
    } catch (const std::exception& e) {
        *error = entry + ": " + e.what();
        return false;
    }
    return true;
}

GlslProgramSource LinkGlslStages(const GlslShader& vertex, const GlslShader& pixel) {
    GlslProgramSource program;
    program.vertex = vertex.glsl;
    program.fragment = pixel.glsl;
    program.attributes = vertex.attributes;
    program.samplers = vertex.samplers;
    for (const GlslNamePair& sampler : pixel.samplers) {
        if (std::none_of(program.samplers.begin(), program.samplers.end(),
                         [&](const GlslNamePair& s) { return s.glsl == sampler.glsl; })) {
            program.samplers.push_back(sampler);
        }
    }
    program.globals = vertex.globals.empty() ? pixel.globals : vertex.globals;
    for (const GlslVarying& input : pixel.varyings) {
        std::string inputName = "qm_f_" + input.semantic;
        std::string varyingName = "qm_v_" + input.semantic;
        auto written = std::find_if(vertex.varyings.begin(), vertex.varyings.end(),
                                    [&](const GlslVarying& v) { return v.semantic == input.semantic; });
        std::string replacement;
        if (written == vertex.varyings.end()) {
            // Direct3D reads zero from an input the vertex shader never wrote.
            replacement = "#define " + inputName + " " + VectorType(input.components) + "(0.0)";
        } else {
            replacement =
                "in " + VectorType(written->components) + " " + varyingName + ";\n#define " + inputName + " ";
            if (written->components == input.components) {
                replacement += varyingName;
            } else if (written->components > input.components) {
                replacement += varyingName + "." + std::string("xyzw").substr(0, input.components);
            } else {
                replacement += VectorType(input.components) + "(" + varyingName;
                for (unsigned c = written->components; c < input.components; ++c) {
                    replacement += c == 3 ? ", 1.0" : ", 0.0";
                }
                replacement += ")";
            }
        }
        ReplaceDeclaration(&program.fragment, inputName, replacement);
    }
    return program;
}
