#pragma once
// A small Ogg Vorbis file made on the spot, for the sound and capture tests.

#include <gtest/gtest.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace TestTone {

// Encodes `frames` of a 440 Hz stereo tone at `rate` into an Ogg Vorbis file.
inline void WriteOgg(const std::filesystem::path& path, int rate, long frames) {
    vorbis_info info;
    vorbis_info_init(&info);
    ASSERT_EQ(vorbis_encode_init_vbr(&info, 2, rate, 0.3f), 0);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);

    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) {
        std::fwrite(page.header, 1, page.header_len, out);
        std::fwrite(page.body, 1, page.body_len, out);
    }
    long written = 0;
    bool ending = false;
    while (!ending) {
        const long chunk = std::min(1024L, frames - written);
        if (chunk > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(chunk));
            for (long i = 0; i < chunk; ++i) {
                const float v = 0.3f * std::sin(2.0f * 3.14159265f * 440.0f * (written + i) / rate);
                buffer[0][i] = v;
                buffer[1][i] = v;
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(chunk));
            written += chunk;
        } else {
            vorbis_analysis_wrote(&dsp, 0);
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    std::fwrite(page.header, 1, page.header_len, out);
                    std::fwrite(page.body, 1, page.body_len, out);
                    ending = ending || ogg_page_eos(&page) != 0;
                }
            }
        }
    }
    std::fclose(out);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
}

} // namespace TestTone
