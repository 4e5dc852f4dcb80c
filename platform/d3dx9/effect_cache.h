#pragma once
// Translated effects kept across runs, so that a start-up after the first skips the HLSL
// compiler. Entries live in the user's cache directory, $XDG_CACHE_HOME/quillmoor/effects
// (or ~/.cache/quillmoor/effects), one file per effect text, translator and GLSL dialect.
//
// The cache is only ever a shortcut: a directory that cannot be made, read or written, or
// an entry that is damaged, stale or from another translator is passed over in silence,
// and the effect is translated as if there were no cache.

#include <optional>
#include <string>

#include "platform/d3dx9/translated_effect.h"

namespace EffectCache {

// The directory entries go to; empty when the environment names none that can be used
// (XDG_CACHE_HOME must be an absolute path to count, else HOME is used).
std::string Directory();

// The stored translation of `effectText` (the effect file's text with any macro definitions
// in front) by this translator into `dialect`.
std::optional<TranslatedEffect> Load(const std::string& effectText, GlslDialect dialect);

// Keeps `translated` for later loads of `effectText`; a failure to write is ignored.
void Store(const std::string& effectText, const TranslatedEffect& translated);

// Translations made ahead by a build-time tool and shipped with the media in `directory`
// (for a build without an HLSL compiler). The same entries as the cache's, named by effect
// text and dialect alone: whatever translator made them is the one that ships with them.
std::optional<TranslatedEffect> LoadShipped(const std::string& directory, const std::string& effectText,
                                            GlslDialect dialect);
// False when the entry could not be written.
bool StoreShipped(const std::string& directory, const std::string& effectText,
                  const TranslatedEffect& translated);

} // namespace EffectCache
