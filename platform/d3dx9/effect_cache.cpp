#include "platform/d3dx9/effect_cache.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/d3dx9/effect_translation.h"

// An entry is the full key (translator, dialect, effect text) followed by the stored
// translation, so a hash collision in the file name or an entry left by another build can
// never be taken for this one; the translation checks itself for damage.

namespace {

constexpr std::size_t kMaxEntryBytes = 16u << 20;

// Shipped entries name no translator: they are used by the build they ship with.
constexpr char kShippedTranslator[] = "shipped with the media";

std::string KeyText(const std::string& version, const std::string& effectText, GlslDialect dialect) {
    return "quillmoor effect cache\n" + std::to_string(version.size()) + ":" + version + "\n" +
           std::to_string(static_cast<int>(dialect)) + "\n" + std::to_string(effectText.size()) + ":" +
           effectText + "\n";
}

std::string EntryPath(const std::string& directory, const std::string& keyText) {
    if (directory.empty()) {
        return {};
    }
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const unsigned char c : keyText) {
        hash = (hash ^ c) * 0x100000001b3ull;
    }
    char name[32];
    std::snprintf(name, sizeof name, "/%016llx.effect", static_cast<unsigned long long>(hash));
    return directory + name;
}

bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// Makes each missing directory of `path` (private to the user, as caches are).
bool MakeDirectories(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

std::optional<std::string> ReadWhole(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string bytes;
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && bytes.size() <= kMaxEntryBytes) {
        bytes.append(chunk, got);
    }
    const bool ok = std::ferror(file) == 0 && bytes.size() <= kMaxEntryBytes;
    std::fclose(file);
    return ok ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
}

// Written under a temporary name and renamed into place, so a reader never sees half an
// entry, even from another process starting at the same time.
bool WriteWhole(const std::string& path, const std::string& bytes) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return false;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::optional<TranslatedEffect> LoadEntry(const std::string& directory, const std::string& version,
                                          const std::string& effectText, GlslDialect dialect) {
    const std::string keyText = KeyText(version, effectText, dialect);
    const std::string path = EntryPath(directory, keyText);
    if (path.empty()) {
        return std::nullopt;
    }
    const std::optional<std::string> entry = ReadWhole(path);
    if (!entry || entry->compare(0, keyText.size(), keyText) != 0) {
        return std::nullopt;
    }
    std::optional<TranslatedEffect> translated =
        TranslatedEffect::Deserialize(std::string_view(*entry).substr(keyText.size()));
    if (!translated || translated->dialect != dialect) {
        return std::nullopt;
    }
    return translated;
}

bool StoreEntry(const std::string& directory, const std::string& version, const std::string& effectText,
                const TranslatedEffect& translated) {
    const std::string keyText = KeyText(version, effectText, translated.dialect);
    const std::string path = EntryPath(directory, keyText);
    return !path.empty() && MakeDirectories(directory) && WriteWhole(path, keyText + translated.Serialize());
}

} // namespace

namespace EffectCache {

std::string Directory() {
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    if (IsAbsolute(cacheHome)) {
        return std::string(cacheHome) + "/quillmoor/effects";
    }
    const char* home = std::getenv("HOME");
    if (IsAbsolute(home)) {
        return std::string(home) + "/.cache/quillmoor/effects";
    }
    return {};
}

std::optional<TranslatedEffect> Load(const std::string& effectText, GlslDialect dialect) {
    return LoadEntry(Directory(), EffectTranslatorVersion(), effectText, dialect);
}

void Store(const std::string& effectText, const TranslatedEffect& translated) {
    StoreEntry(Directory(), EffectTranslatorVersion(), effectText, translated);
}

std::optional<TranslatedEffect> LoadShipped(const std::string& directory, const std::string& effectText,
                                            GlslDialect dialect) {
    return LoadEntry(directory, kShippedTranslator, effectText, dialect);
}

bool StoreShipped(const std::string& directory, const std::string& effectText,
                  const TranslatedEffect& translated) {
    return StoreEntry(directory, kShippedTranslator, effectText, translated);
}

} // namespace EffectCache
