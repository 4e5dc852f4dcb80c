// Archives made by the original archiver (see tests/data/rar/SOURCES.md).
#include <gtest/gtest.h>

#include "rar/crc32.h"
#include "tests/rar/rar_test_support.h"

namespace {

struct RealMemberCase {
    const char* archive;
    const char* member;
    bool extracts;
    std::uint32_t crc; // when it extracts
    std::uint32_t size;
    const char* logLine; // a message the failure must log, or nullptr
};

constexpr RealMemberCase kRealMembers[] = {
    // Version 20, every method and the multimedia mode.
    {"test_v2.rar", "p0.bin", true, 0x10751aba, 16384, nullptr},
    {"test_v2.rar", "p1.bin", true, 0x10751aba, 16384, nullptr},
    {"test_v2.rar", "p2.bin", true, 0x10751aba, 16384, nullptr},
    {"test_v2.rar", "p3.bin", true, 0x10751aba, 16384, nullptr},
    {"test_v2.rar", "p4.bin", true, 0x10751aba, 16384, nullptr},
    {"test_v2.rar", "p5.bin", true, 0x10751aba, 16384, nullptr},
    {"test_v2.rar", "pMM.bin", true, 0x10751aba, 16384, nullptr},
    {"test_v2.rar", "PMM.BIN", true, 0x10751aba, 16384, nullptr},
    // Solid: the second needs the first's window.
    {"test_v2solid5.rar", "p5.bin", true, 0x10751aba, 16384, nullptr},
    {"test_v2solid5.rar", "p5_solid.bin", true, 0x10751aba, 16384, nullptr},
    // File comments behind the name: data starts at block start + header size.
    {"rar202-comment-nopsw.rar", "FILE1.TXT", true, 0x7a197dba, 0, nullptr},
    {"rar202-comment-nopsw.rar", "file2.txt", true, 0x785fc3e3, 0, nullptr},
    // Encrypted, no password: a clean CRC failure.
    {"rar202-comment-psw.rar", "FILE1.TXT", false, 0, 0,
     "CRC32 error - file couldn't be decompressed correctly!"},
    {"rar202-comment-psw.rar", "FILE2.TXT", false, 0, 0,
     "CRC32 error - file couldn't be decompressed correctly!"},
    {"rar2-unix-owner.rar", "file.txt", true, 0x7e3265a8, 0, nullptr},
    {"rar2-unix-owner.rar", "other.txt", false, 0, 0, "Sorry, sub-headers not supported."},
    {"test_read_format_rar_subblock.rar", "test.txt", true, 0xbec8a242, 0, nullptr},
    // Version 15: stored extracts, the RAR 1.5 scheme fails its CRC.
    {"rar15-comment.rar", "FILE2.TXT", true, 0x3c4306f7, 0, nullptr},
    {"rar15-comment.rar", "FILE1.TXT", false, 0, 0, "CRC32 error - file couldn't be decompressed correctly!"},
    {"BoatModernEnglish-regular-unpack15-dos.rar", "BOATMO~1.WAV", false, 0, 0,
     "CRC32 error - file couldn't be decompressed correctly!"},
    {"BoatModernEnglish-regular-unpack15-dos.rar", "LICENSE.TXT", false, 0, 0, nullptr},
    // Later generations are refused.
    {"rar3-solid.rar", "stest1.txt", false, 0, 0, "unknown compression method"},
    {"rar5-solid.rar", "test1.txt", false, 0, 0, "Not a RAR file"},
};

TEST(RarReaderRealArchives, EachMemberAsTheArchiverMeantIt) {
    for (const RealMemberCase& c : kRealMembers) {
        SCOPED_TRACE(std::string(c.archive) + " / " + c.member);
        RarTest::LogCapture log;
        const RarTest::Extracted e = RarTest::Extract(c.member, RarTest::RealArchive(c.archive));
        ASSERT_EQ(e.ok, c.extracts);
        if (c.extracts) {
            EXPECT_EQ(Crc32::Compute(e.bytes.data(), e.bytes.size()), c.crc);
            if (c.size != 0) {
                EXPECT_EQ(e.bytes.size(), c.size);
            }
            EXPECT_NE(log.Text().find("Extracted " + std::to_string(e.bytes.size()) + " Bytes."),
                      std::string::npos);
        } else {
            EXPECT_TRUE(e.nullOnFailure);
            const std::string text = log.Text();
            if (c.logLine != nullptr) {
                EXPECT_NE(text.find(c.logLine), std::string::npos) << text;
            }
            EXPECT_NE(text.find("Error - couldn't extract >" + std::string(c.member) +
                                "< and allocated 0 Bytes of unused memory!"),
                      std::string::npos);
        }
    }
}

TEST(RarReaderRealArchives, SolidMembersInAnyOrderAndRepeated) {
    const std::string archive = RarTest::RealArchive("test_v2solid5.rar");
    const char* order[] = {"p5_solid.bin", "p5.bin", "p5_solid.bin", "p5_solid.bin", "p5.bin"};
    for (const char* member : order) {
        SCOPED_TRACE(member);
        const RarTest::Extracted e = RarTest::Extract(member, archive);
        ASSERT_TRUE(e.ok);
        EXPECT_EQ(Crc32::Compute(e.bytes.data(), e.bytes.size()), 0x10751abau);
    }
}

TEST(RarReaderRealArchives, AllTestV2MembersAreTheSameFile) {
    const std::string archive = RarTest::RealArchive("test_v2.rar");
    const RarTest::Extracted stored = RarTest::Extract("p0.bin", archive);
    ASSERT_TRUE(stored.ok);
    for (const char* member : {"p1.bin", "p2.bin", "p3.bin", "p4.bin", "p5.bin", "pMM.bin"}) {
        SCOPED_TRACE(member);
        EXPECT_EQ(RarTest::Extract(member, archive).bytes, stored.bytes);
    }
}

} // namespace
