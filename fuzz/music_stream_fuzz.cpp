// The music file opened as the demo opens z.ogg, its length read, and closed again.

#include <cstdint>

#include "fuzz/fuzz_input_file.h"
#include "platform/sound/fmod.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = FuzzInputFile::Write(data, size, ".ogg");
    FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), FSOUND_NORMAL, 0, 0);
    if (stream != nullptr) {
        FSOUND_Stream_GetLengthMs(stream);
        FSOUND_Stream_Close(stream);
    }
    return 0;
}
