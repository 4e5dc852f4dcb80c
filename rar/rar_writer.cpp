#include "rar/rar_writer.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
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

// The members packed (an empty `packed` stores the member), or nothing when one cannot be
// archived.
std::optional<std::vector<Rar20Encoder::EncodedMember>> Encode(std::span<const RarWriter::MemberView> members,
                                                               const RarWriter::Options& options) {
    std::vector<std::span<const std::uint8_t>> inputs;
    for (const RarWriter::MemberView& m : members) {
        if (m.bytes.size() >= 0xFFFFFFFFull || m.name.size() > RarFormat::kNameLimit ||
            !RarMemberName::StaysInside(m.name)) {
            return std::nullopt;
        }
        inputs.push_back(m.bytes);
    }
    const int level = std::clamp(options.level, 0, Rar20Encoder::kSmallestLevel);
    if (level == 0) {
        return std::vector<Rar20Encoder::EncodedMember>(members.size());
    }
    return Rar20Encoder::Encode(
        inputs, options.solid,
        {.level = level, .multimedia = options.multimedia, .audioBlocks = options.audioBlocks});
}

// Hands the archive to `put` piece by piece, in order.
void LayOut(std::span<const RarWriter::MemberView> members,
            const std::vector<Rar20Encoder::EncodedMember>& encoded, const RarWriter::Options& options,
            const std::function<void(std::span<const std::uint8_t>)>& put) {
    // The method byte names the level, as the old archiver's did (0x31 fastest to 0x35 best).
    const auto method = static_cast<std::uint8_t>(RarFormat::kMethodStored +
                                                  std::clamp(options.level, 0, Rar20Encoder::kSmallestLevel));
    std::vector<std::uint8_t> header(std::begin(RarFormat::kMarker), std::end(RarFormat::kMarker));
    const std::size_t mainStart = header.size();
    Put16(header, 0);
    header.push_back(RarFormat::kBlockMain);
    Put16(header, options.solid ? RarFormat::kMainSolid : 0);
    Put16(header, RarFormat::kMainHeaderSize);
    Put16(header, 0);
    Put32(header, 0);
    SealHeader(header, mainStart);
    put(header);

    for (std::size_t i = 0; i < members.size(); ++i) {
        const RarWriter::MemberView& m = members[i];
        const bool stored = !encoded[i].packed.has_value();
        const std::span<const std::uint8_t> data = stored ? m.bytes : std::span(*encoded[i].packed);
        std::string name(m.name);
        std::replace(name.begin(), name.end(), '/', '\\');
        std::uint16_t flags = RarFormat::kFileHasData | kDictionary1MiB;
        if (encoded[i].continuesSolid) {
            flags |= RarFormat::kFileContinuesSolid;
        }
        header.clear();
        Put16(header, 0);
        header.push_back(RarFormat::kBlockFile);
        Put16(header, flags);
        Put16(header, static_cast<std::uint16_t>(RarFormat::kFileHeaderSize + name.size()));
        Put32(header, static_cast<std::uint32_t>(data.size()));
        Put32(header, static_cast<std::uint32_t>(m.bytes.size()));
        header.push_back(kHostMsDos);
        Put32(header, Crc32::Compute(m.bytes.data(), m.bytes.size()));
        Put32(header, kDosTime1980);
        header.push_back(kVersion);
        header.push_back(stored ? RarFormat::kMethodStored : method);
        Put16(header, static_cast<std::uint16_t>(name.size()));
        Put32(header, kArchiveAttribute);
        header.insert(header.end(), name.begin(), name.end());
        SealHeader(header, 0);
        put(header);
        put(data);
    }
}

constexpr const char* kUnarchivable = "a member is 4 GiB or larger, or its name is empty, over 259 bytes, "
                                      "absolute, or has a \"..\" or drive part";

} // namespace

std::vector<std::uint8_t> RarWriter::Build(std::span<const MemberView> members, const Options& options) {
    const std::optional<std::vector<Rar20Encoder::EncodedMember>> encoded = Encode(members, options);
    if (!encoded) {
        return {};
    }
    std::size_t size = std::size(RarFormat::kMarker) + RarFormat::kMainHeaderSize;
    for (std::size_t i = 0; i < members.size(); ++i) {
        size += RarFormat::kFileHeaderSize + members[i].name.size() +
                ((*encoded)[i].packed ? (*encoded)[i].packed->size() : members[i].bytes.size());
    }
    std::vector<std::uint8_t> out;
    out.reserve(size);
    LayOut(members, *encoded, options,
           [&](std::span<const std::uint8_t> piece) { out.insert(out.end(), piece.begin(), piece.end()); });
    return out;
}

bool RarWriter::Write(const std::string& path, std::span<const MemberView> members, const Options& options,
                      std::string* error) {
    const std::optional<std::vector<Rar20Encoder::EncodedMember>> encoded = Encode(members, options);
    if (!encoded) {
        if (error != nullptr) {
            *error = kUnarchivable;
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
    bool written = true;
    LayOut(members, *encoded, options, [&](std::span<const std::uint8_t> piece) {
        // An empty member's bytes have no address, and fwrite may not be handed a null one.
        written = written && (piece.empty() || std::fwrite(piece.data(), 1, piece.size(), f) == piece.size());
    });
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
