#pragma once
// The process heap's policy, set once at the start of main: start-up allocates a few hundred
// megabytes (the media, decoded meshes and textures, the GL driver's copies of them), and where
// a page fault is dear (virtual machines) faulting them in 4 KiB at a time costs more than all
// the decoding. The heap reserves a large span once, asks the kernel to back it with huge pages
// (transparent huge pages, where the system offers them on request), and keeps large blocks in
// it instead of mapping and unmapping each one.

namespace ProcessHeap {

// True when the reserved span was marked for huge pages; false where the C library or the
// kernel offers no such thing (the heap then works as before). Only the first call acts.
bool Prepare();

} // namespace ProcessHeap
