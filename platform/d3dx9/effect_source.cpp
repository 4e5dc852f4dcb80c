#include "platform/d3dx9/effect_source.h"

bool PrepareEffectSource(std::string fileText, const D3DXMACRO* defines, EffectSource* source,
                         std::string* error) {
    if (fileText.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        fileText.erase(0, 3); // editors like to start UTF-8 files with a byte-order mark
    }
    if (!ParseEffect(fileText, &source->description, error)) {
        return false;
    }
    std::string definitions;
    for (const D3DXMACRO* macro = defines; macro != nullptr && macro->Name != nullptr; ++macro) {
        definitions +=
            std::string("#define ") + macro->Name + " " + (macro->Definition ? macro->Definition : "") + "\n";
    }
    source->hlsl = definitions + source->description.hlsl;
    source->effectText = definitions + fileText;
    return true;
}
