#pragma once

#include "tools/quillmoor-media/mesh.h"

namespace media {

// Rooms drawn with the fixed-function pipeline; their materials name the images in data\meshes.
Mesh MakeBlobRoom01();
Mesh MakeBlobRoom02();      // hall for the beat-cut cameras: x -260..260, y -30..230, z -330..330
Mesh MakeBlobRoom02Tube();  // glowing tube along Z around the stretched blob at (0, 50)
Mesh MakeBlobRoom03();      // water hall: x -200..260, y -40..200, z -150..250
Mesh MakeBlobRoom03Water(); // water surface at y = 0, 6-unit grid
Mesh MakeFinalRoom();       // x -260..440, y -30..170, z -190..400
Mesh MakeFinalRoomWater();  // water surface at y = 0

} // namespace media
