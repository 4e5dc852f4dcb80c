// Debian's libstb carries stb_image's implementation as a library for the host only; the
// browser build compiles it from the same header.
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
