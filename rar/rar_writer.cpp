#include "rar/rar_writer.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "rar/crc32.h"
#include "rar/rar20_encoder.h"
#include "rar/rar_block.h"
#include "rar/rar_member_name.h"

namespace {

constexpr std::uint8_t kVersion = 20;
constexpr std::uint8_t kHostMsDos = 0;
constexpr std::uint32_t kArchiveAttribute = 0x20;
constexpr std::uint32_t kDosTime1980 = 0x00210000; // 1980-01-01 00:00, so output is reproducible
constexpr std::uint16_t kDictionary1MiB = 0x0080;

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}
void SealHeader(std::vector<std::uint8_t>& out, std::size_t start) {
    const std::uint32_t crc = Crc32::Compute(out.data() + start + 2, out.size() - start - 2);
    out[start] = static_cast<std::uint8_t>(crc);
    out[start + 1] = static_cast<std::uint8_t>(crc >> 8);
}

} // namespace

std::vector<std::uint8_t> RarWriter::Build(const std::vector<Member>& members, const Options& options) {
    std::vector<std::span<const std::uint8_t>> inputs;
    for (const Member& m : members) {
        if (m.bytes.size() >= 0xFFFFFFFFull || m.name.size() > RarFormat::kNameLimit ||
            !RarMemberName::StaysInside(m.name)) {
            return {};
        }
        inputs.emplace_back(m.bytes);
    }
    const bool solid = options.solid;
    const int level = std::clamp(options.level, 0, Rar20Encoder::kSmallestLevel);
    std::vector<Rar20Encoder::EncodedMember> encoded(members.size());
    if (level > 0) {
        encoded = Rar20Encoder::Encode(inputs, solid, {.level = level, .multimedia = options.multimedia});
    }
    // The method byte names the level, as the old archiver's did (0x31 fastest to 0x35 best).
    const auto method = static_cast<std::uint8_t>(RarFormat::kMethodStored + level);

    std::size_t archiveSize = std::size(RarFormat::kMarker) + RarFormat::kMainHeaderSize;
    for (std::size_t i = 0; i < members.size(); ++i) {
        archiveSize += RarFormat::kFileHeaderSize + members[i].name.size() +
                       (encoded[i].packed ? encoded[i].packed->size() : members[i].bytes.size());
    }
    std::vector<std::uint8_t> out;
    out.reserve(archiveSize);
    out.assign(std::begin(RarFormat::kMarker), std::end(RarFormat::kMarker));
    const std::size_t mainStart = out.size();
    Put16(out, 0);
    out.push_back(RarFormat::kBlockMain);
    Put16(out, solid ? RarFormat::kMainSolid : 0);
    Put16(out, RarFormat::kMainHeaderSize);
    Put16(out, 0);
    Put32(out, 0);
    SealHeader(out, mainStart);

    for (std::size_t i = 0; i < members.size(); ++i) {
        const Member& m = members[i];
        const bool stored = !encoded[i].packed.has_value();
        const std::vector<std::uint8_t>& data = stored ? m.bytes : *encoded[i].packed;
        std::string name = m.name;
        for (char& c : name) {
            if (c == '/') {
                c = '\\';
            }
        }
        std::uint16_t flags = RarFormat::kFileHasData | kDictionary1MiB;
        if (encoded[i].continuesSolid) {
            flags |= RarFormat::kFileContinuesSolid;
        }
        const std::size_t start = out.size();
        Put16(out, 0);
        out.push_back(RarFormat::kBlockFile);
        Put16(out, flags);
        Put16(out, static_cast<std::uint16_t>(RarFormat::kFileHeaderSize + name.size()));
        Put32(out, static_cast<std::uint32_t>(data.size()));
        Put32(out, static_cast<std::uint32_t>(m.bytes.size()));
        out.push_back(kHostMsDos);
        Put32(out, Crc32::Compute(m.bytes.data(), m.bytes.size()));
        Put32(out, kDosTime1980);
        out.push_back(kVersion);
        out.push_back(stored ? RarFormat::kMethodStored : method);
        Put16(out, static_cast<std::uint16_t>(name.size()));
        Put32(out, kArchiveAttribute);
        out.insert(out.end(), name.begin(), name.end());
        SealHeader(out, start);
        out.insert(out.end(), data.begin(), data.end());
    }
    return out;
}

bool RarWriter::Write(const std::string& path, const std::vector<Member>& members, const Options& options,
                      std::string* error) {
    const std::vector<std::uint8_t> archive = Build(members, options);
    if (archive.empty()) {
        if (error != nullptr) {
            *error = "a member is 4 GiB or larger, or its name is empty, over 259 bytes, absolute, or has a "
                     "\"..\" or drive part";
        }
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        if (error != nullptr) {
            *error = "cannot create " + path;
        }
        return false;
    }
    const bool written = std::fwrite(archive.data(), 1, archive.size(), f) == archive.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        if (error != nullptr) {
            *error = "cannot write " + path;
        }
        std::remove(path.c_str());
        return false;
    }
    return true;
}
