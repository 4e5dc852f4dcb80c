// Translated effects stored across runs: the stored form reads back exactly and refuses any
// damaged, cut or other-version copy; the cache on disk finds its directory from the XDG
// rules, and a damaged, stale, misleading or unwritable cache never makes an effect fail.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/d3d9/recording_device.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/effect_cache.h"
#include "platform/d3dx9/effect_parser.h"
#include "platform/d3dx9/effect_translation.h"
#include "platform/d3dx9/translated_effect.h"
#include "platform/fs/windows_path.h"
#include "tests/gl_test_device.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// FNV-1a, 64 bits: the stored form's published checksum.
std::string Checksum(const std::string& text) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const unsigned char c : text) {
        hash = (hash ^ c) * 0x100000001b3ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

// An effect text no other test translates, so nothing of it is known in this run yet.
std::string UniqueEffectText(const std::string& tag) {
    return ReadText(std::string(QUILLMOOR_TEST_DATA) + "/fx/lit.fx") + "\n// " + tag + "\n";
}

TranslatedEffect Translate(const std::string& effectText, GlslDialect dialect) {
    EffectDescription description;
    std::string error;
    TranslatedEffect translated;
    EXPECT_TRUE(ParseEffect(effectText, &description, &error)) << error;
    EXPECT_TRUE(TranslateEffect(description, description.hlsl, dialect, &translated, &error)) << error;
    return translated;
}

void ExpectSame(const TranslatedEffect& a, const TranslatedEffect& b) {
    EXPECT_EQ(a.dialect, b.dialect);
    ASSERT_EQ(a.techniques.size(), b.techniques.size());
    for (size_t t = 0; t < a.techniques.size(); ++t) {
        ASSERT_EQ(a.techniques[t].size(), b.techniques[t].size());
        for (size_t p = 0; p < a.techniques[t].size(); ++p) {
            const TranslatedPass& x = a.techniques[t][p];
            const TranslatedPass& y = b.techniques[t][p];
            EXPECT_EQ(x.hasShaders, y.hasShaders);
            EXPECT_EQ(x.program.vertex, y.program.vertex);
            EXPECT_EQ(x.program.fragment, y.program.fragment);
            ASSERT_EQ(x.program.attributes.size(), y.program.attributes.size());
            for (size_t i = 0; i < x.program.attributes.size(); ++i) {
                EXPECT_EQ(x.program.attributes[i].name, y.program.attributes[i].name);
                EXPECT_EQ(x.program.attributes[i].location, y.program.attributes[i].location);
            }
            for (const auto& [xs, ys] : {std::pair(&x.program.samplers, &y.program.samplers),
                                         std::pair(&x.program.globals, &y.program.globals)}) {
                ASSERT_EQ(xs->size(), ys->size());
                for (size_t i = 0; i < xs->size(); ++i) {
                    EXPECT_EQ((*xs)[i].hlsl, (*ys)[i].hlsl);
                    EXPECT_EQ((*xs)[i].glsl, (*ys)[i].glsl);
                }
            }
        }
    }
}

TEST(TranslatedEffectTest, StoredFormReadsBackInBothDialects) {
    const std::string text = UniqueEffectText("round trip");
    for (const GlslDialect dialect : {GlslDialect::Glsl330, GlslDialect::GlslEs300}) {
        const TranslatedEffect translated = Translate(text, dialect);
        ASSERT_FALSE(translated.techniques.empty());
        ASSERT_TRUE(translated.techniques[0][0].hasShaders);
        EXPECT_EQ(translated.techniques[0][0].program.vertex.rfind(
                      dialect == GlslDialect::GlslEs300 ? "#version 300 es" : "#version 330", 0),
                  0u);
        const std::optional<TranslatedEffect> back = TranslatedEffect::Deserialize(translated.Serialize());
        ASSERT_TRUE(back.has_value());
        ExpectSame(translated, *back);
    }
}

TEST(TranslatedEffectTest, DamagedCutOrOtherVersionCopiesReadAsNone) {
    const std::string stored = Translate(UniqueEffectText("damage"), GlslDialect::Glsl330).Serialize();
    for (size_t length = 0; length < stored.size(); length += 13) {
        EXPECT_FALSE(TranslatedEffect::Deserialize(stored.substr(0, length))) << "cut at " << length;
    }
    for (size_t at = 0; at < stored.size(); at += 11) {
        std::string flipped = stored;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x20);
        EXPECT_FALSE(TranslatedEffect::Deserialize(flipped)) << "byte " << at << " changed";
    }
    // A well-formed copy in another format version, with its checksum made to match.
    const std::string header = "quillmoor translated effect\n";
    const size_t versionEnd = stored.find('\n', header.size());
    const size_t checksumAt = stored.rfind("checksum ");
    std::string body = stored.substr(0, checksumAt);
    body.replace(header.size(), versionEnd - header.size(),
                 std::to_string(TranslatedEffect::kFormatVersion + 1));
    EXPECT_FALSE(TranslatedEffect::Deserialize(body + "checksum " + Checksum(body) + "\n"));
    // The same edit back to this version reads: only the version number refused it.
    std::string same = stored.substr(0, checksumAt);
    EXPECT_TRUE(TranslatedEffect::Deserialize(same + "checksum " + Checksum(same) + "\n"));
}

// Sets environment variables for one test and puts them back afterwards.
class ScopedEnvironment {
  public:
    void Set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.push_back({name, old != nullptr ? std::optional<std::string>(old) : std::nullopt});
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                ::unsetenv(it->first.c_str());
            }
        }
    }

  private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(EffectCacheTest, DirectoryFollowsTheXdgRules) {
    struct Case {
        const char* cacheHome;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/var/cache/me", "/home/me", "/var/cache/me/quillmoor/effects"},
        {nullptr, "/home/me", "/home/me/.cache/quillmoor/effects"},
        {"relative/cache", "/home/me", "/home/me/.cache/quillmoor/effects"}, // relative paths are ignored
        {"", "/home/me", "/home/me/.cache/quillmoor/effects"},
        {nullptr, nullptr, ""},
        {nullptr, "relative-home", ""},
    };
    for (const Case& c : cases) {
        ScopedEnvironment environment;
        environment.Set("XDG_CACHE_HOME", c.cacheHome);
        environment.Set("HOME", c.home);
        EXPECT_EQ(EffectCache::Directory(), c.expected)
            << (c.cacheHome ? c.cacheHome : "(unset)") << " " << (c.home ? c.home : "(unset)");
    }
}

// Each test gets an empty cache home of its own under the test programs' shared one, emptied
// first, since that one outlives the run.
class EffectCacheDiskTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* base = std::getenv("XDG_CACHE_HOME");
        ASSERT_NE(base, nullptr);
        home = fs::path(base) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(home);
        fs::create_directories(home);
        environment.Set("XDG_CACHE_HOME", home.c_str());
    }

    // The one entry file the test's cache holds.
    fs::path Entry() const {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(home / "quillmoor" / "effects")) {
            files.push_back(e.path());
        }
        EXPECT_EQ(files.size(), 1u);
        return files.empty() ? fs::path() : files[0];
    }

    fs::path home;
    ScopedEnvironment environment;
};

TEST_F(EffectCacheDiskTest, StoredTranslationLoadsBackAndOnlyForItsTextAndDialect) {
    const std::string text = UniqueEffectText("disk round trip");
    EXPECT_FALSE(EffectCache::Load(text, GlslDialect::Glsl330));
    const TranslatedEffect translated = Translate(text, GlslDialect::Glsl330);
    EffectCache::Store(text, translated);
    const std::optional<TranslatedEffect> loaded = EffectCache::Load(text, GlslDialect::Glsl330);
    ASSERT_TRUE(loaded.has_value());
    ExpectSame(translated, *loaded);
    EXPECT_FALSE(EffectCache::Load(text, GlslDialect::GlslEs300));
    EXPECT_FALSE(EffectCache::Load(text + " ", GlslDialect::Glsl330));
}

// Translations made at build time for a build without an HLSL compiler: found by effect text
// and dialect in their own directory, never taken for the user's cache entries or the reverse.
TEST_F(EffectCacheDiskTest, ShippedTranslationsLoadOnlyForTheirTextAndDialect) {
    const std::string text = UniqueEffectText("shipped");
    const fs::path shipped = home / "shipped";
    const TranslatedEffect translated = Translate(text, GlslDialect::GlslEs300);
    ASSERT_TRUE(EffectCache::StoreShipped(shipped.string(), text, translated));
    const std::optional<TranslatedEffect> loaded = EffectCache::LoadShipped(shipped.string(), text, GlslDialect::GlslEs300);
    ASSERT_TRUE(loaded.has_value());
    ExpectSame(translated, *loaded);
    EXPECT_FALSE(EffectCache::LoadShipped(shipped.string(), text, GlslDialect::Glsl330));
    EXPECT_FALSE(EffectCache::LoadShipped(shipped.string(), text + " ", GlslDialect::GlslEs300));
    EXPECT_FALSE(EffectCache::Load(text, GlslDialect::GlslEs300));
}

TEST_F(EffectCacheDiskTest, DamagedCutOrStaleEntriesAreSkipped) {
    const std::string text = UniqueEffectText("damaged entry");
    EffectCache::Store(text, Translate(text, GlslDialect::Glsl330));
    const fs::path entry = Entry();
    const std::string good = ReadText(entry);
    const size_t versionAt = good.find(EffectTranslatorVersion());
    ASSERT_NE(versionAt, std::string::npos);
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string otherTranslator = good;
    otherTranslator[versionAt] = otherTranslator[versionAt] == '0' ? '1' : '0';
    std::string flipped = good;
    flipped[good.size() / 2] = static_cast<char>(flipped[good.size() / 2] ^ 1);
    const Case cases[] = {
        {"empty", ""},
        {"cut", good.substr(0, good.size() - 40)},
        {"one byte changed", flipped},
        {"made by another translator", otherTranslator},
        {"not an entry", "hello\n"},
    };
    for (const Case& c : cases) {
        WriteText(entry, c.bytes);
        EXPECT_FALSE(EffectCache::Load(text, GlslDialect::Glsl330)) << c.what;
    }
    WriteText(entry, good);
    EXPECT_TRUE(EffectCache::Load(text, GlslDialect::Glsl330));
}

TEST_F(EffectCacheDiskTest, UnwritableCacheIsIgnored) {
    // A file where the cache directory should be: nothing can be made below it.
    WriteText(home / "quillmoor", "in the way");
    const std::string text = UniqueEffectText("unwritable");
    EffectCache::Store(text, Translate(text, GlslDialect::Glsl330));
    EXPECT_FALSE(EffectCache::Load(text, GlslDialect::Glsl330));
    EXPECT_EQ(ReadText(home / "quillmoor"), "in the way");
}

// Through D3DX: an effect loads from a damaged entry, and the entry is made good again.
TEST_F(EffectCacheDiskTest, EffectFromADamagedEntryIsTranslatedAfreshAndStored) {
    const std::string text = UniqueEffectText("effect over damaged entry");
    const fs::path file = home / "effect.fx";
    WriteText(file, text);
    EffectCache::Store(text, Translate(text, GlslDialect::Glsl330));
    const fs::path entry = Entry();
    std::string damaged = ReadText(entry);
    damaged[damaged.size() - 5] = static_cast<char>(damaged[damaged.size() - 5] ^ 1);
    WriteText(entry, damaged);

    RecordingDevice* device = new RecordingDevice();
    ID3DXEffect* effect = nullptr;
    EXPECT_EQ(D3DXCreateEffectFromFileW(device, WindowsPath::Widen(file.string()).c_str(), nullptr, nullptr,
                                        0, nullptr, &effect, nullptr),
              D3D_OK);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->SetTechnique("Lit"), D3D_OK);
    effect->Release();
    device->Release();
    EXPECT_TRUE(EffectCache::Load(text, GlslDialect::Glsl330));
}

class EffectCacheGlTest : public GlTest::DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        const char* base = std::getenv("XDG_CACHE_HOME");
        ASSERT_NE(base, nullptr);
        home = fs::path(base) / "gl";
        fs::remove_all(home);
        fs::create_directories(home);
        environment.Set("XDG_CACHE_HOME", home.c_str());
    }
    fs::path home;
    ScopedEnvironment environment;
};

// An entry that reads well but whose shaders do not compile (say, left by a build whose
// translator produced broken GLSL under the same version) does not break the effect.
TEST_F(EffectCacheGlTest, EntryWhoseShadersDoNotCompileIsReplaced) {
    if (IsSkipped()) {
        return;
    }
    const std::string text = UniqueEffectText("entry with broken shaders");
    const fs::path file = home / "effect.fx";
    WriteText(file, text);
    TranslatedEffect broken = Translate(text, GlslDialect::Glsl330);
    for (auto& technique : broken.techniques) {
        for (TranslatedPass& pass : technique) {
            pass.program.vertex = "#version 330\nthis is not a shader\n";
        }
    }
    EffectCache::Store(text, broken);

    ID3DXEffect* effect = nullptr;
    EXPECT_EQ(D3DXCreateEffectFromFileW(device, WindowsPath::Widen(file.string()).c_str(), nullptr, nullptr,
                                        0, nullptr, &effect, nullptr),
              D3D_OK);
    ASSERT_NE(effect, nullptr);
    effect->Release();
    const std::optional<TranslatedEffect> stored = EffectCache::Load(text, GlslDialect::Glsl330);
    ASSERT_TRUE(stored.has_value());
    EXPECT_NE(stored->techniques[0][0].program.vertex, broken.techniques[0][0].program.vertex);
}

} // namespace
