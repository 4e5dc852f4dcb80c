#pragma once
// The program's icon for the desktop entry: a lit orange blob of three merged balls on a
// dark rounded square, transparent outside the square.

#include "tools/quillmoor-media/image.h"

namespace media {

Image AppIcon(int size);

} // namespace media
