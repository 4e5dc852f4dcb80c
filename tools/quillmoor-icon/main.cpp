// Writes the program's icon as a PNG of the size asked for (the install step puts it into the
// desktop's icon theme).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tools/quillmoor-icon/app_icon.h"
#include "tools/quillmoor-media/image_files.h"

int main(int argc, char** argv) {
    const int size = argc == 3 ? std::atoi(argv[2]) : 0;
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "usage: quillmoor-icon FILE.png SIZE (16 to 1024)\n");
        return 2;
    }
    const std::vector<uint8_t> png = media::EncodeImage(media::AppIcon(size), "icon.png");
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    if (!out) {
        std::fprintf(stderr, "quillmoor-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
