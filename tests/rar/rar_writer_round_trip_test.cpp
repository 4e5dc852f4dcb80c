// Pack with our writer at every level and mode, extract with our reader: identical bytes
// and CRC.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <span>

#include "rar/crc32.h"
#include "rar/rar20_encoder.h"
#include "rar/rar_block.h"
#include "rar/rar_writer.h"
#include "tests/rar/rar_test_support.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Random(std::size_t n, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) {
        b = static_cast<std::uint8_t>(gen());
    }
    return v;
}

std::vector<std::uint8_t> Text(std::size_t n, std::uint32_t seed) {
    // Words from a small vocabulary: compressible, with matches at many distances.
    static const char* words[] = {"blob ",    "room ", "water ", "flare ", "mesh ",
                                  "texture ", "\n",    "quill ", "moor "};
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> v;
    while (v.size() < n) {
        const char* w = words[gen() % 9];
        v.insert(v.end(), w, w + std::strlen(w));
    }
    v.resize(n);
    return v;
}

std::vector<std::uint8_t> Repeat(std::size_t n, const std::string& unit) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        v[i] = static_cast<std::uint8_t>(unit[i % unit.size()]);
    }
    return v;
}

// Data whose matches lie further back than 0x2000 and 0x40000 (length bonuses), and a
// second copy more than 1 MiB later, beyond the window.
std::vector<std::uint8_t> FarRepeats() {
    std::vector<std::uint8_t> block = Random(0x3000, 7);
    std::vector<std::uint8_t> v = block;
    const std::vector<std::uint8_t> gap1 = Random(0x41000, 8);
    v.insert(v.end(), gap1.begin(), gap1.end());
    v.insert(v.end(), block.begin(), block.end());
    v.insert(v.end(), block.begin(), block.begin() + 1000);
    const std::vector<std::uint8_t> gap2 = Text(0x100000, 9);
    v.insert(v.end(), gap2.begin(), gap2.end());
    v.insert(v.end(), block.begin(), block.end());
    return v;
}

// Sampled sound: `channels` interleaved byte channels, each a sum of slow sines with a
// little noise, so that the audio predictor codes it far better than LZ does.
std::vector<std::uint8_t> Sound(std::size_t n, int channels, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        const int c = static_cast<int>(i % channels);
        const double t = static_cast<double>(i / channels);
        const double wave =
            50 * std::sin(t * (0.013 + 0.007 * c)) + 30 * std::sin(t * (0.071 + 0.011 * c) + c);
        v[i] = static_cast<std::uint8_t>(128 + static_cast<int>(wave) + static_cast<int>(gen() % 5) - 2);
    }
    return v;
}

// Sound, then silence, then sound: the silence is far cheaper in LZ blocks.
std::vector<std::uint8_t> SoundWithSilence() {
    std::vector<std::uint8_t> v = Sound(30000, 2, 11);
    v.insert(v.end(), 40000, 0);
    const std::vector<std::uint8_t> more = Sound(30000, 2, 12);
    v.insert(v.end(), more.begin(), more.end());
    return v;
}

struct RoundTripCase {
    const char* name;
    std::vector<RarWriter::Member> members;
    bool solid;
};

std::vector<RoundTripCase> Cases() {
    std::vector<RoundTripCase> cases;
    cases.push_back({"empty file", {{"empty.bin", {}}}, true});
    cases.push_back({"one byte", {{"one.bin", {0x42}}}, true});
    cases.push_back({"two bytes", {{"two.bin", {0, 0}}}, false});
    cases.push_back({"repetitive", {{"rep.bin", Repeat(100000, "abcabcabd")}}, true});
    cases.push_back({"single value", {{"zeros.bin", std::vector<std::uint8_t>(300000, 0)}}, true});
    cases.push_back({"random", {{"random.bin", Random(50000, 1)}}, true});
    cases.push_back({"text", {{"text.txt", Text(200000, 2)}}, false});
    cases.push_back({"larger than the window", {{"big.bin", FarRepeats()}}, true});
    for (int channels = 1; channels <= 4; ++channels) {
        cases.push_back({"sound", {{"sound.raw", Sound(20000, channels, channels)}}, true});
    }
    cases.push_back({"sound with silence", {{"speech.raw", SoundWithSilence()}}, false});
    // Solid through switches from audio to LZ and back, within the stream.
    cases.push_back({"sound and text solid",
                     {{"a.raw", Sound(20000, 2, 5)},
                      {"b.txt", Text(20000, 6)},
                      {"c.raw", Sound(20000, 4, 7)},
                      {"d.txt", Text(5000, 6)}},
                     true});
    // The last byte of a member and the byte after it, which the packer did not have yet,
    // must not pass for a pair the next member can copy.
    std::vector<std::uint8_t> endsInQ = Text(1000, 4);
    endsInQ.push_back('Q');
    std::vector<std::uint8_t> pairLater = Text(40, 5);
    pairLater.insert(pairLater.end(), {'Q', 0, 'Q', 0});
    cases.push_back(
        {"byte pair across the end of a member", {{"a.txt", endsInQ}, {"b.bin", pairLater}}, true});
    std::vector<RarWriter::Member> many;
    for (int i = 0; i < 40; ++i) {
        std::vector<std::uint8_t> bytes;
        switch (i % 5) {
        case 0:
            bytes = Text(1000 + i * 997, i);
            break;
        case 1:
            bytes = Random(100 + i * 13, i);
            break; // stored inside the solid stream
        case 2:
            bytes = {};
            break;
        case 3:
            bytes = Repeat(5000, "data\\meshes\\");
            break;
        case 4:
            bytes = Text(20000, 3);
            break; // same text as other members: cross-member matches
        }
        many.push_back({"data\\m" + std::to_string(i) + ".bin", bytes});
    }
    cases.push_back({"many members solid", many, true});
    cases.push_back({"many members not solid", many, false});
    return cases;
}

class RarWriterRoundTrip : public ::testing::Test {
  protected:
    void SetUp() override { dir_ = TestTemp::MakeDirectory("qm_rarpack"); }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

// Every case at one level, with and without multimedia mode.
class RarWriterLevel : public RarWriterRoundTrip, public ::testing::WithParamInterface<int> {};

TEST_P(RarWriterLevel, PackThenExtractGivesTheSameBytes) {
    int n = 0;
    for (const bool multimedia : {false, true}) {
        for (const RoundTripCase& c : Cases()) {
            SCOPED_TRACE(std::string(c.name) + (multimedia ? ", -mm" : ""));
            const std::string path = (dir_ / ("a" + std::to_string(n++) + ".rar")).string();
            std::string error;
            const RarWriter::Options options{.solid = c.solid, .level = GetParam(), .multimedia = multimedia};
            ASSERT_TRUE(RarWriter::Write(path, c.members, options, &error)) << error;
            // Forward order, then reverse (which exercises the restart of the solid state).
            std::vector<std::size_t> order(c.members.size());
            for (std::size_t i = 0; i < order.size(); ++i) {
                order[i] = i;
            }
            for (int pass = 0; pass < 2; ++pass) {
                for (std::size_t i : order) {
                    const RarWriter::Member& m = c.members[i];
                    SCOPED_TRACE(m.name);
                    const RarTest::Extracted e = RarTest::Extract(m.name, path);
                    ASSERT_TRUE(e.ok);
                    EXPECT_EQ(e.bytes, m.bytes);
                    EXPECT_EQ(Crc32::Compute(e.bytes.data(), e.bytes.size()),
                              Crc32::Compute(m.bytes.data(), m.bytes.size()));
                }
                std::reverse(order.begin(), order.end());
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, RarWriterLevel, ::testing::Range(0, 6),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "m" + std::to_string(info.param);
                         });

// The blocks each member got: audio where it pays, LZ elsewhere, both inside a member with
// long silence; the round trips above check that the switches decode.
TEST_F(RarWriterRoundTrip, AudioBlocksWhereTheyPayAndLzElsewhere) {
    const std::vector<std::uint8_t> sound2 = Sound(40000, 2, 1), sound4 = Sound(40000, 4, 2),
                                    text = Text(40000, 3), speech = SoundWithSilence();
    const std::vector<std::span<const std::uint8_t>> members = {sound2, text, sound4, speech};
    for (int level = Rar20Encoder::kFastestLevel; level <= Rar20Encoder::kSmallestLevel; ++level) {
        SCOPED_TRACE(level);
        const std::vector<Rar20Encoder::EncodedMember> encoded =
            Rar20Encoder::Encode(members, true, {.level = level});
        ASSERT_EQ(encoded.size(), 4u);
        const struct {
            bool lz, audio;
        } expected[] = {{false, true}, {true, false}, {false, true}, {true, true}};
        for (std::size_t i = 0; i < encoded.size(); ++i) {
            SCOPED_TRACE(i);
            ASSERT_TRUE(encoded[i].packed.has_value());
            EXPECT_EQ(encoded[i].continuesSolid, i > 0);
            EXPECT_EQ(encoded[i].lzBlocks, expected[i].lz);
            EXPECT_EQ(encoded[i].audioBlocks, expected[i].audio);
        }
        // Without audio blocks, even the sound is LZ-coded.
        for (const auto& member :
             Rar20Encoder::Encode(members, true, {.level = level, .audioBlocks = false})) {
            EXPECT_TRUE(member.packed.has_value());
            EXPECT_TRUE(member.lzBlocks);
            EXPECT_FALSE(member.audioBlocks);
        }
    }
}

// The old archiver packed test_v2.rar's 16 KiB file into 8182 bytes at its best method and
// 13321 in multimedia mode; the smallest level does no worse, and the levels go down.
TEST_F(RarWriterRoundTrip, SmallestLevelPacksTheOldArchiversTestFileAsTightly) {
    const RarTest::Extracted original = RarTest::Extract("p0.bin", RarTest::RealArchive("test_v2.rar"));
    ASSERT_TRUE(original.ok);
    auto packed = [&](int level, bool multimedia) {
        const std::vector<Rar20Encoder::EncodedMember> encoded =
            Rar20Encoder::Encode({original.bytes}, false, {.level = level, .multimedia = multimedia});
        return encoded[0].packed.has_value() ? encoded[0].packed->size() : original.bytes.size();
    };
    EXPECT_LE(packed(5, false), 8182u);
    EXPECT_LE(packed(5, true), 13321u);
    EXPECT_LE(packed(5, false), packed(3, false));
    EXPECT_LE(packed(3, false), packed(1, false));
}

TEST_F(RarWriterRoundTrip, CompressesWhatCompressesAndStoresWhatDoesNot) {
    const std::vector<std::uint8_t> text = Text(200000, 5);
    const std::vector<std::uint8_t> noise = Random(20000, 6);
    const std::vector<std::uint8_t> archive =
        RarWriter::Build({{"text.txt", text}, {"noise.bin", noise}}, true);
    ASSERT_FALSE(archive.empty());
    // Text shrinks a lot; noise is stored as it is.
    EXPECT_LT(archive.size(), text.size() / 3 + noise.size() + 2000);
    EXPECT_GT(archive.size(), noise.size());
    std::size_t methodStored = 0;
    for (std::size_t i = 7; i + 9 <= archive.size(); ++i) {
        if (std::memcmp(&archive[i], "noise.bin", 9) == 0) {
            methodStored = archive[i - 7]; // method byte sits 7 bytes before the name
        }
    }
    EXPECT_EQ(methodStored, RarFormat::kMethodStored);
}

TEST_F(RarWriterRoundTrip, AnIdenticalMemberInASolidStreamCostsAlmostNothing) {
    std::string mesh;
    std::mt19937 gen(7);
    while (mesh.size() < 100000) {
        mesh += std::to_string(gen() % 2000) + ";" + std::to_string(gen() % 2000) + ";" +
                std::to_string(gen() % 2000) + ";,\n";
    }
    const std::vector<std::uint8_t> bytes(mesh.begin(), mesh.end());
    for (int level = Rar20Encoder::kFastestLevel; level <= Rar20Encoder::kSmallestLevel; ++level) {
        SCOPED_TRACE(level);
        const RarWriter::Options options{.solid = true, .level = level};
        const std::size_t one = RarWriter::Build({{"a.x", bytes}}, options).size();
        const std::size_t two = RarWriter::Build({{"a.x", bytes}, {"b.x", bytes}}, options).size();
        EXPECT_LT(two - one, 300u);
    }
}

TEST_F(RarWriterRoundTrip, RefusesNamesTheFormatCannotHoldOrThatLeaveTheDestination) {
    const struct {
        std::string name;
        bool packed;
    } cases[] = {
        {"", false},
        {std::string(260, 'x'), false},
        {std::string(259, 'x'), true},
        {"\\etc\\passwd", false},
        {"/etc/passwd", false},
        {"..\\up.bin", false},
        {"data\\..\\..\\up.bin", false},
        {"data/../up.bin", false},
        {"..", false},
        {"C:\\boot.ini", false},
        {"data\\c:x", false},
        {"data\\blob.jpg", true},
        {"data/blob.jpg", true},
        {"a..b\\...\\.x", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(!RarWriter::Build({{c.name, {1}}}, true).empty(), c.packed);
    }
    std::string error;
    EXPECT_FALSE(RarWriter::Write((dir_ / "no/such/dir.rar").string(), {{"a", {1}}}, true, &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
