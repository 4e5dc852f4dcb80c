#pragma once
// Writes RAR 2.0 archives (version 20 to unpack) that the reader and the original
// archiver's unpackers read: compressed with the RAR 2.0 scheme (LZ and audio blocks) at
// one of five levels, optionally solid, falling back to storing members that do not shrink.
//
//   RarWriter::Write("data.rar", {{"data\\blob.jpg", bytes}, ...}, {.solid = true, .level = 5});

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class RarWriter {
  public:
    struct Member {
        std::string name; // "/" or "\" between directories; stored with "\"
        std::vector<std::uint8_t> bytes;
    };

    // A member whose bytes live elsewhere (a mapped file, say) for as long as the call.
    struct MemberView {
        std::string_view name;
        std::span<const std::uint8_t> bytes;
    };

    struct Options {
        bool solid = true;
        int level = 3;           // 0 stores every member; 1 (fastest) to 5 (smallest) compress
        bool multimedia = false; // try audio blocks on every member, not only on sound
        bool audioBlocks = true; // false: LZ blocks only (quicker to unpack, a little larger)
    };

    // The whole archive in memory; empty when a member is too large (4 GiB or more) or a
    // name is empty, longer than 259 bytes, or would lead an extraction outside its
    // destination (RarMemberName::StaysInside).
    static std::vector<std::uint8_t> Build(std::span<const MemberView> members, const Options& options);
    static std::vector<std::uint8_t> Build(const std::vector<Member>& members, const Options& options) {
        return Build(Views(members), options);
    }
    static std::vector<std::uint8_t> Build(const std::vector<Member>& members, bool solid) {
        return Build(members, Options{.solid = solid});
    }

    // As Build, written to `path` (a plain POSIX path) as it is laid out, the packed
    // members straight from the encoder. The file is created only once every member is
    // packed. False when either fails; `error` then says why.
    static bool Write(const std::string& path, std::span<const MemberView> members, const Options& options,
                      std::string* error = nullptr);
    static bool Write(const std::string& path, const std::vector<Member>& members, const Options& options,
                      std::string* error = nullptr) {
        return Write(path, Views(members), options, error);
    }
    static bool Write(const std::string& path, const std::vector<Member>& members, bool solid,
                      std::string* error = nullptr) {
        return Write(path, members, Options{.solid = solid}, error);
    }

  private:
    static std::vector<MemberView> Views(const std::vector<Member>& members) {
        std::vector<MemberView> views;
        views.reserve(members.size());
        for (const Member& m : members) {
            views.push_back({m.name, m.bytes});
        }
        return views;
    }
};
