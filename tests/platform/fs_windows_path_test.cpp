#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/fs/windows_path.h"
#include "tests/temp_directory.h"

namespace fs = std::filesystem;

namespace {

// Runs each test in a fresh temporary working directory holding data/, data/meshes/ and
// data/Textures/ (capitalised on purpose).
class WindowsPathTest : public ::testing::Test {
  protected:
    void SetUp() override {
        oldDir_ = fs::current_path();
        root_ = TestTemp::MakeDirectory("qm_fs");
        fs::create_directories(root_ / "work" / "data" / "meshes");
        fs::create_directories(root_ / "work" / "data" / "Textures");
        fs::current_path(root_ / "work");
    }
    void TearDown() override {
        fs::current_path(oldDir_);
        fs::remove_all(root_);
    }
    static std::string ReadAll(std::FILE* f) {
        std::string out;
        char buf[256];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
            out.append(buf, n);
        }
        std::fclose(f);
        return out;
    }
    static void Write(std::string_view windowsPath, const std::string& text) {
        std::FILE* f = WindowsPath::OpenFile(windowsPath, "wb");
        ASSERT_NE(f, nullptr) << windowsPath;
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    fs::path oldDir_;
    fs::path root_;
};

struct SameFileCase {
    const char* written;
    const char* read;
    const char* onDisk; // POSIX path relative to the working directory
};

constexpr SameFileCase kSameFile[] = {
    {"data\\blobby02.x", "data//blobby02.X", "data/blobby02.x"},
    {"data\\meshes\\ASPH_02.bmp", "DATA/MESHES/asph_02.BMP", "data/meshes/ASPH_02.bmp"},
    {"data\\textures\\blob.jpg", "data//textures//blob.jpg", "data/Textures/blob.jpg"},
    {"data/textures/x.tga", "data\\\\TEXTURES\\\\X.tga", "data/Textures/x.tga"},
    {".\\data\\.\\a.bin", "data/meshes/../A.BIN", "data/a.bin"},
    {"data\\b.bin\\", "data/b.bin", "data/b.bin"},
};

TEST_F(WindowsPathTest, WrittenAndReadSpellingsReachTheSameFile) {
    for (const SameFileCase& c : kSameFile) {
        SCOPED_TRACE(c.written);
        Write(c.written, c.written);
        EXPECT_TRUE(fs::is_regular_file(c.onDisk));
        std::FILE* f = WindowsPath::OpenFile(std::string_view(c.read), "rb");
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(ReadAll(f), c.written);
        // Writing under the other spelling overwrites that file instead of making a second one.
        Write(c.read, "again");
        std::FILE* g = WindowsPath::OpenFile(std::string_view(c.written), "rb");
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(ReadAll(g), "again");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator("data/Textures"), fs::directory_iterator()), 2);
}

struct ResolveCase {
    const char* windowsPath;
    const char* expected; // nullptr: refused
};

constexpr ResolveCase kResolve[] = {
    {"data\\meshes\\new.x", "data/meshes/new.x"},
    {"DATA\\Meshes\\New.X", "data/meshes/New.X"},    // missing last part kept as spelled
    {"data\\nothere\\Sub\\f", "data/nothere/Sub/f"}, // missing parts kept as spelled
    {"data\\\\textures//\\a", "data/Textures/a"},    // doubled separators collapse
    {"a\\..\\b", "b"},
    {"data\\..\\..\\etc\\passwd", nullptr}, // climbs out of the working tree
    {"..\\x", nullptr},
    {"..", nullptr},
    {"data/../../work/data", nullptr},
    {"", nullptr},
    {"C:\\temp\\debug_rar.txt", nullptr},
    {"\\tmp", "/tmp"}, // absolute paths as given
    {"//tmp//", "/tmp"},
    {"/../tmp", "/tmp"},
    {".", "."},
};

TEST_F(WindowsPathTest, ResolveTable) {
    for (const ResolveCase& c : kResolve) {
        SCOPED_TRACE(c.windowsPath);
        const auto got = WindowsPath::Resolve(c.windowsPath);
        if (c.expected == nullptr) {
            EXPECT_FALSE(got.has_value()) << *got;
        } else {
            ASSERT_TRUE(got.has_value());
            EXPECT_EQ(*got, c.expected);
        }
    }
}

TEST_F(WindowsPathTest, CreatingOutsideTheTreeIsRefusedAndWritesNothing) {
    EXPECT_EQ(WindowsPath::OpenFile(std::string_view("..\\escaped.txt"), "wb"), nullptr);
    EXPECT_EQ(WindowsPath::OpenFile(std::wstring_view(L"data\\..\\..\\escaped.txt"), "wb"), nullptr);
    EXPECT_FALSE(fs::exists(root_ / "escaped.txt"));
}

TEST_F(WindowsPathTest, CreatingMakesNoDirectories) {
    EXPECT_EQ(WindowsPath::OpenFile(std::string_view("data\\nodir\\f.x"), "wb"), nullptr);
    EXPECT_FALSE(fs::exists("data/nodir"));
}

TEST_F(WindowsPathTest, ExactSpellingWinsOverCaseVariants) {
    std::ofstream("data/Same.txt") << "upper";
    std::ofstream("data/same.txt") << "lower";
    std::FILE* f = WindowsPath::OpenFile(std::string_view("data\\same.txt"), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadAll(f), "lower");
    // Without an exact match, the choice is stable: the first in byte order.
    std::FILE* g = WindowsPath::OpenFile(std::string_view("data\\SAME.TXT"), "rb");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(ReadAll(g), "upper");
}

TEST_F(WindowsPathTest, TextModeLetterIsAccepted) {
    std::FILE* f = WindowsPath::OpenFile(std::string_view("data\\t.txt"), "wt");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(fs::exists("data/t.txt"));
}

TEST_F(WindowsPathTest, DeleteFileWGoesThroughTheResolver) {
    Write("data\\meshes\\blobby13.x", "x");
    EXPECT_EQ(DeleteFileW(L"DATA//MESHES//BLOBBY13.X"), TRUE);
    EXPECT_FALSE(fs::exists("data/meshes/blobby13.x"));
    EXPECT_EQ(DeleteFileW(L"data\\meshes\\blobby13.x"), FALSE); // already gone
    EXPECT_EQ(DeleteFileW(L"data\\meshes"), FALSE);             // directories stay
    EXPECT_TRUE(fs::is_directory("data/meshes"));
    std::ofstream(root_ / "outside.txt") << "keep";
    EXPECT_EQ(DeleteFileW(L"..\\outside.txt"), FALSE);
    EXPECT_TRUE(fs::exists(root_ / "outside.txt"));
    EXPECT_EQ(DeleteFileW(nullptr), FALSE);
}

// A run directory read through from an empty working directory: reads find its files,
// writes and deletions stay in the working directory, and directories it has are made there
// when a file is created in them.
class ReadFallbackTest : public WindowsPathTest {
  protected:
    void SetUp() override {
        WindowsPathTest::SetUp();
        media_ = root_ / "media";
        fs::create_directories(media_ / "Data" / "meshes");
        fs::create_directories(media_ / "Data" / "Textures");
        std::ofstream(media_ / "z.ogg") << "music";
        std::ofstream(media_ / "Data" / "Textures" / "greets.jpg") << "greets";
        fs::create_directories(root_ / "empty");
        fs::current_path(root_ / "empty");
        WindowsPath::SetReadFallback(media_.string() + "/");
    }
    void TearDown() override {
        WindowsPath::SetReadFallback("");
        WindowsPathTest::TearDown();
    }
    fs::path media_;
};

TEST_F(ReadFallbackTest, ReadsFindTheRunDirectoryAndWritesStayInTheWorkingDirectory) {
    std::FILE* music = WindowsPath::OpenFile(std::string_view("Z.OGG"), "rb");
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(ReadAll(music), "music");
    std::FILE* image = WindowsPath::OpenFile(std::string_view("data//textures//GREETS.jpg"), "r");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(ReadAll(image), "greets");
    EXPECT_EQ(WindowsPath::ResolveForReading("z.ogg"), media_.string() + "/z.ogg");

    // Created beside the run directory's files, in directories made for it here.
    Write("data\\textures\\circle01.dds", "extracted");
    EXPECT_TRUE(fs::is_regular_file("data/textures/circle01.dds"));
    EXPECT_FALSE(fs::exists(media_ / "Data" / "Textures" / "circle01.dds"));
    Write("data\\meshes\\blobby02.x", "mesh");
    EXPECT_TRUE(fs::is_regular_file("data/meshes/blobby02.x"));
    // A directory neither has is still not made.
    EXPECT_EQ(WindowsPath::OpenFile(std::string_view("data\\nodir\\f.x"), "wb"), nullptr);
    EXPECT_FALSE(fs::exists("data/nodir"));

    // The working directory's copy wins once it exists; the run directory's is untouched.
    Write("z.ogg", "mine");
    std::FILE* mine = WindowsPath::OpenFile(std::string_view("z.ogg"), "rb");
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(ReadAll(mine), "mine");
    EXPECT_EQ(DeleteFileW(L"z.ogg"), TRUE);
    EXPECT_EQ(DeleteFileW(L"z.ogg"), FALSE); // the run directory's is not deleted
    EXPECT_TRUE(fs::exists(media_ / "z.ogg"));
    EXPECT_EQ(DeleteFileW(L"data\\textures\\greets.jpg"), FALSE);
    EXPECT_TRUE(fs::exists(media_ / "Data" / "Textures" / "greets.jpg"));
}

TEST_F(ReadFallbackTest, ClimbingOutIsRefusedInTheRunDirectoryToo) {
    std::ofstream(root_ / "secret.txt") << "secret";
    EXPECT_EQ(WindowsPath::OpenFile(std::string_view("..\\secret.txt"), "rb"), nullptr);
    EXPECT_EQ(WindowsPath::OpenFile(std::string_view("data\\..\\..\\secret.txt"), "rb"), nullptr);
    EXPECT_FALSE(WindowsPath::ResolveForReading("..\\media\\z.ogg").has_value());
}

struct Utf8Case {
    const char* utf8;
    const wchar_t* wide;
};

const Utf8Case kUtf8[] = {
    {"", L""},
    {"data\\blob.jpg", L"data\\blob.jpg"},
    {"gr\xC3\xBC\xC3\x9F", L"gr\u00FC\u00DF"},
    {"\xE2\x82\xAC", L"\u20AC"},
    {"\xF0\x9F\x8E\xB5", L"\U0001F3B5"},
};

TEST(Utf16Conversion, RoundTripTable) {
    for (const Utf8Case& c : kUtf8) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(WindowsPath::Widen(c.utf8), std::wstring(c.wide));
        EXPECT_EQ(WindowsPath::Narrow(c.wide), std::string(c.utf8));
    }
}

TEST(Utf16Conversion, SurrogatePairsCombineAndMalformedInputIsReplaced) {
    const wchar_t pair[] = {0xD83C, 0xDFB5, 0};
    EXPECT_EQ(WindowsPath::Narrow(pair), "\xF0\x9F\x8E\xB5");
    const wchar_t lone[] = {L'a', 0xD800, L'b', 0};
    EXPECT_EQ(WindowsPath::Narrow(lone), "a\xEF\xBF\xBD"
                                         "b");
    EXPECT_EQ(WindowsPath::Widen("a\xC3"), L"a\uFFFD");         // truncated sequence
    EXPECT_EQ(WindowsPath::Widen("\xC0\xAF"), L"\uFFFD\uFFFD"); // overlong
    EXPECT_EQ(WindowsPath::Widen("\x80z"), L"\uFFFDz");         // stray continuation
}

} // namespace
