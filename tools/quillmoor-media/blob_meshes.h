#pragma once

#include "tools/quillmoor-media/mesh.h"

namespace media {

// The effect-drawn blob meshes, each shaped for the camera and deformation of the scene that shows it.
constexpr float kOpeningBlobRadius = 6.5f;
Mesh MakeOpeningBlob(); // blobby02.x: lumpy, reaching kOpeningBlobRadius from the origin
Mesh MakeFlightRing();  // blobby12.x: a ring of blobs around (-145, 37, -28) in the plane x = -145
Mesh MakeWobbleBlob();  // blobby23.x: radius up to 70
Mesh MakePulseBlob();   // blobby21.x: radius up to 70
constexpr float kCreditsBlobRadius = 9.2f;
Mesh MakeCreditsBlob();    // blobby15.x: reaching kCreditsBlobRadius
Mesh MakeHelixTower();     // blobby13.x: four strands winding at radius 58..73 about Y, y -80..440
Mesh MakeSwirlBlob();      // blobby19.x: a star of arms, radius up to 40
Mesh MakeBackdropSphere(); // blobby_sphere.x: a bumpy shell of radius about 450 seen from inside
Mesh MakeStack();          // stapel.x: levels of blobs along +Z from 0 to 250, hollow core

} // namespace media
