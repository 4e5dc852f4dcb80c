// quillmoor-rar: list, test, extract and pack RAR 2.0 archives.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "rar/crc32.h"
#include "rar/rar_block.h"
#include "rar/rar_member_name.h"
#include "rar/rar_reader.h"
#include "rar/rar_writer.h"
#include "tools/quillmoor-rar/mapped_file.h"
#include "tools/quillmoor-rar/member_name.h"
#include "tools/quillmoor-rar/partial_output.h"
#include "tools/quillmoor-rar/rar_command.h"

namespace fs = std::filesystem;

namespace {

// One usage line and the details per command; the README's section on quillmoor-rar
// spells the options the same way.
struct CommandHelp {
    RarCommand command;
    const char* usage;
    const char* details;
};

constexpr CommandHelp kCommandHelp[] = {
    {RarCommand::List, "quillmoor-rar list|l ARCHIVE",
     "Lists the members: size, packed size, method (stored or m1-m5), version, flags, CRC-32, name.\n"},
    {RarCommand::Test, "quillmoor-rar test|t ARCHIVE",
     "Extracts every member in memory and checks its CRC-32; exits 1 if any fails.\n"},
    {RarCommand::Extract, "quillmoor-rar extract|x ARCHIVE [DESTDIR [MEMBER...]]",
     "Extracts all members, or the ones named, below DESTDIR (default: the current directory).\n"
     "Names that would leave DESTDIR are skipped.\n"},
    {RarCommand::Print, "quillmoor-rar print|p ARCHIVE MEMBER...",
     "Writes the members' bytes to standard output.\n"},
    {RarCommand::Pack, "quillmoor-rar pack|a [-s|--not-solid] [-m0..-m5] [-mm] ARCHIVE PATH...",
     "Packs the files into a new RAR 2.0 archive; a directory PATH is packed recursively in name\n"
     "order. Member names are the paths as given, with \"\\\", made relative: a leading \"/\" and\n"
     "leading \"..\" parts are removed (and said so on stderr), so extraction stays below DESTDIR.\n"
     "  -s           solid, the default: the members form one compressed stream and pack\n"
     "               against each other; extracting a member decodes the members before it\n"
     "  --not-solid  every member compressed on its own\n"
     "  -m0          store only\n"
     "  -m1 .. -m5   compression level, -m1 fastest, -m5 smallest; -m3 when not given\n"
     "  -mm          multimedia: try audio blocks on every member (without it, only on members\n"
     "               that look like sampled sound); each member keeps the smaller coding\n"
     "  --           ends the options\n"
     "A member that does not shrink is stored. The archive is written beside ARCHIVE under a\n"
     "temporary name and takes its place only when complete.\n"},
};

void PrintUsage(std::FILE* to) {
    std::fputs("usage:", to);
    for (const CommandHelp& h : kCommandHelp) {
        std::fprintf(to, " %s\n      ", h.usage);
    }
    std::fputs(" quillmoor-rar COMMAND --help\n"
               "\n"
               "Reads RAR 1.5-2.0 archives; packs RAR 2.0. Set QUILLMOOR_RAR_DEBUG_LOG=FILE for the\n"
               "reader's debug log.\n",
               to);
}

bool IsHelp(const std::string& word) {
    return word == "-h" || word == "--help" || word == "-?";
}

const CommandHelp& HelpOf(RarCommand command) {
    for (const CommandHelp& h : kCommandHelp) {
        if (h.command == command) {
            return h;
        }
    }
    return kCommandHelp[0];
}

int CommandUsage(RarCommand command) {
    std::printf("usage: %s\n\n%s", HelpOf(command).usage, HelpOf(command).details);
    return 0;
}

struct Entry {
    RarBlockHeader header;
};

// The file blocks of an archive, walked as the reader walks them; false if not an archive.
bool ReadEntries(const std::string& path, std::vector<Entry>& entries, bool& solid) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        std::fprintf(stderr, "quillmoor-rar: cannot open %s\n", path.c_str());
        return false;
    }
    RarMainHeader main;
    if (ReadArchiveStart(file.get(), main) != RarArchiveStart::Archive) {
        std::fprintf(stderr, "quillmoor-rar: %s is not a RAR 1.5-2.0 archive\n", path.c_str());
        return false;
    }
    solid = (main.flags & RarFormat::kMainSolid) != 0;
    SeekTo(file.get(), 7 + std::max<std::int64_t>(main.headerSize, RarFormat::kMainHeaderSize));
    RarBlockHeader block;
    while (ReadNextBlock(file.get(), block)) {
        if (block.type == RarFormat::kBlockFile) {
            entries.push_back({block});
        }
        if (!SeekTo(file.get(), block.NextPosition())) {
            break;
        }
    }
    return true;
}

int List(const std::string& archive) {
    std::vector<Entry> entries;
    bool solid = false;
    if (!ReadEntries(archive, entries, solid)) {
        return 1;
    }
    std::printf("%s archive, %zu members\n", solid ? "solid" : "normal", entries.size());
    std::printf("%10s %10s %-6s %3s %5s %8s  %s\n", "size", "packed", "method", "ver", "flags", "crc32",
                "name");
    for (const Entry& e : entries) {
        const RarBlockHeader& h = e.header;
        std::printf("%10u %10u %-6s %3u %05x %08x  %s\n", h.unpackedSize, h.packedSize,
                    h.method == RarFormat::kMethodStored ? "stored"
                                                         : ("m" + std::to_string(h.method - 0x30)).c_str(),
                    h.versionNeeded, h.flags, h.dataCrc, h.name.c_str());
    }
    return 0;
}

int Test(const std::string& archive) {
    std::vector<Entry> entries;
    bool solid = false;
    if (!ReadEntries(archive, entries, solid)) {
        return 1;
    }
    int failures = 0;
    for (const Entry& e : entries) {
        std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        const bool ok = RarReader::Extract(e.header.name.c_str(), archive.c_str(), nullptr, &data, &size);
        std::free(data);
        std::printf("%-8s %s\n", ok ? "OK" : "FAILED", e.header.name.c_str());
        failures += ok ? 0 : 1;
    }
    if (failures > 0) {
        std::fprintf(stderr, "quillmoor-rar: %d of %zu members failed\n", failures, entries.size());
        return 1;
    }
    return 0;
}

// The member's path below the destination, or empty when the name would leave it.
fs::path SafeRelativePath(const std::string& name) {
    fs::path out;
    std::string part;
    auto flush = [&]() -> bool {
        if (part.empty() || part == ".") {
            part.clear();
            return true;
        }
        if (RarMemberName::UnsafePart(part)) {
            return false;
        }
        out /= part;
        part.clear();
        return true;
    };
    for (char c : name) {
        if (c == '\\' || c == '/') {
            if (!flush()) {
                return {};
            }
        } else {
            part += c;
        }
    }
    if (!flush()) {
        return {};
    }
    return out;
}

int Extract(const std::string& archive, const fs::path& dest, const std::vector<std::string>& wanted) {
    std::vector<Entry> entries;
    bool solid = false;
    if (!ReadEntries(archive, entries, solid)) {
        return 1;
    }
    int failures = 0;
    for (const Entry& e : entries) {
        const std::string& name = e.header.name;
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), name) == wanted.end()) {
            continue;
        }
        const fs::path relative = SafeRelativePath(name);
        if (relative.empty()) {
            std::fprintf(stderr, "quillmoor-rar: %s: unsafe name, skipped\n", name.c_str());
            ++failures;
            continue;
        }
        std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        if (!RarReader::Extract(name.c_str(), archive.c_str(), nullptr, &data, &size)) {
            std::fprintf(stderr, "quillmoor-rar: %s: extraction failed\n", name.c_str());
            ++failures;
            continue;
        }
        const fs::path target = dest / relative;
        std::error_code error;
        fs::create_directories(target.parent_path(), error);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), size);
        std::free(data);
        if (!out) {
            std::fprintf(stderr, "quillmoor-rar: cannot write %s\n", target.c_str());
            ++failures;
            continue;
        }
        std::printf("%s\n", target.c_str());
    }
    return failures > 0 ? 1 : 0;
}

int Print(const std::string& archive, const std::vector<std::string>& wanted) {
    int failures = 0;
    for (const std::string& name : wanted) {
        std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        if (!RarReader::Extract(name.c_str(), archive.c_str(), nullptr, &data, &size)) {
            std::fprintf(stderr, "quillmoor-rar: %s: extraction failed\n", name.c_str());
            ++failures;
            continue;
        }
        const bool written = size == 0 || std::fwrite(data, 1, size, stdout) == size;
        std::free(data);
        failures += written ? 0 : 1;
    }
    return failures > 0 ? 1 : 0;
}

// Prefixes already taken off member names and reported, so each is said once.
using DroppedPrefixes = std::set<std::string>;

struct InputFile {
    std::string name;
    MappedFile file;
};

bool AddPath(const fs::path& path, std::vector<InputFile>& inputs, DroppedPrefixes& dropped) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        std::vector<fs::path> files;
        for (const auto& e : fs::recursive_directory_iterator(path, error)) {
            if (e.is_regular_file()) {
                files.push_back(e.path());
            }
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& f : files) {
            if (!AddPath(f, inputs, dropped)) {
                return false;
            }
        }
        return true;
    }
    const PackedMemberName named = MemberNameFor(path);
    if (named.name.empty()) {
        std::fprintf(stderr, "quillmoor-rar: %s names no file to pack\n", path.c_str());
        return false;
    }
    std::string reason;
    std::optional<MappedFile> file = MappedFile::Open(path, reason);
    if (!file) {
        std::fprintf(stderr, "quillmoor-rar: %s\n", reason.c_str());
        return false;
    }
    if (!named.dropped.empty() && dropped.insert(named.dropped).second) {
        std::fprintf(stderr, "quillmoor-rar: removing leading '%s' from member names\n",
                     named.dropped.c_str());
    }
    inputs.push_back({named.name, std::move(*file)});
    return true;
}

// The file an archive path names: the path itself, or where it leads when it is a link.
std::string ReplacedFile(const std::string& archive) {
    std::error_code error;
    if (!fs::is_symlink(archive, error)) {
        return archive;
    }
    const fs::path target = fs::weakly_canonical(archive, error);
    return error ? archive : target.string();
}

// A new file beside `archive` for the archive to be written to, with the mode the archive
// has or would get; empty when it cannot be made.
std::string CreateBeside(const std::string& archive) {
    std::string path = archive + ".XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) {
        return {};
    }
    struct stat existing {};
    mode_t mode = 0;
    if (stat(archive.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);
    close(fd);
    return path;
}

int Pack(const std::vector<std::string>& args) {
    RarWriter::Options options;
    std::size_t i = 0;
    for (; i < args.size() && args[i].size() > 1 && args[i][0] == '-'; ++i) {
        const std::string& option = args[i];
        if (option == "--") {
            ++i;
            break;
        }
        if (option == "-s") {
            options.solid = true;
        } else if (option == "--not-solid") {
            options.solid = false;
        } else if (option == "-mm") {
            options.multimedia = true;
        } else if (option.size() == 3 && option[1] == 'm' && option[2] >= '0' && option[2] <= '5') {
            options.level = option[2] - '0';
        } else {
            std::fprintf(stderr, "quillmoor-rar: unknown option %s\n", option.c_str());
            std::fprintf(stderr, "usage: %s\n", HelpOf(RarCommand::Pack).usage);
            return 2;
        }
    }
    if (args.size() < i + 2) {
        std::fprintf(stderr, "usage: %s\n", HelpOf(RarCommand::Pack).usage);
        return 2;
    }
    const std::string archive = args[i++];
    std::vector<InputFile> inputs;
    DroppedPrefixes dropped;
    for (; i < args.size(); ++i) {
        if (!AddPath(args[i], inputs, dropped)) {
            return 1;
        }
    }
    std::vector<RarWriter::MemberView> members;
    members.reserve(inputs.size());
    for (const InputFile& input : inputs) {
        members.push_back({input.name, input.file.Bytes()});
    }
    // Written beside the archive and renamed over it when complete: a failure on the way
    // leaves an archive of the same name as it was. An archive named by a symbolic link is
    // replaced where the link points, as writing through the link would, and the link stays.
    const std::string replaced = ReplacedFile(archive);
    const std::string partial = CreateBeside(replaced);
    if (partial.empty()) {
        std::fprintf(stderr, "quillmoor-rar: cannot create %s: %s\n", archive.c_str(), std::strerror(errno));
        return 1;
    }
    PartialOutput::RemoveOnEarlyEnd(partial);
    std::string error;
    if (!RarWriter::Write(partial, members, options, &error)) {
        std::remove(partial.c_str());
        PartialOutput::Done();
        std::fprintf(stderr, "quillmoor-rar: %s\n", error.c_str());
        return 1;
    }
    const bool renamed = std::rename(partial.c_str(), replaced.c_str()) == 0;
    const int renameError = errno;
    PartialOutput::Done();
    if (!renamed) {
        std::fprintf(stderr, "quillmoor-rar: cannot write %s: %s\n", archive.c_str(),
                     std::strerror(renameError));
        std::remove(partial.c_str());
        return 1;
    }
    std::printf("%zu members packed into %s\n", members.size(), archive.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || IsHelp(args[0]) || args[0] == "help") {
        PrintUsage(args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const RarCommand command = ParseRarCommand(args[0]);
    if (command != RarCommand::Unknown && args.size() > 1 && IsHelp(args[1])) {
        return CommandUsage(command);
    }
    if (command == RarCommand::Pack) {
        return Pack({args.begin() + 1, args.end()});
    }
    if (command == RarCommand::List && args.size() == 2) {
        return List(args[1]);
    }
    if (command == RarCommand::Test && args.size() == 2) {
        return Test(args[1]);
    }
    if (command == RarCommand::Extract && args.size() >= 2) {
        const fs::path dest = args.size() > 2 ? fs::path(args[2]) : fs::path(".");
        return Extract(args[1], dest, {args.begin() + std::min<std::size_t>(3, args.size()), args.end()});
    }
    if (command == RarCommand::Print && args.size() > 2) {
        return Print(args[1], {args.begin() + 2, args.end()});
    }
    std::fprintf(stderr, "quillmoor-rar: unknown command or arguments: %s\n", args[0].c_str());
    PrintUsage(stderr);
    return 2;
}
