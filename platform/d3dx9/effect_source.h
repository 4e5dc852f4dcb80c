#pragma once
// An effect file as the translator and the translation caches see it: the parsed description,
// the plain HLSL handed to the compiler and the text that identifies the effect (the file with
// its macro definitions in front). Shared by D3DXCreateEffectFromFileW and the build-time
// tool that translates effects ahead, so both name an effect by the same text.

#include <string>

#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/effect_parser.h"

struct EffectSource {
    EffectDescription description;
    std::string hlsl;
    std::string effectText;
};

// False with the parser's message when `fileText` is no effect file.
bool PrepareEffectSource(std::string fileText, const D3DXMACRO* defines, EffectSource* source,
                         std::string* error);
