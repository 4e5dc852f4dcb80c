#pragma once
// Media extraction: writes a fixed list of members of "data.rar" to files of the same
// relative paths (through the Windows path rules, so "data\blobby02.x" written is
// "data//blobby02.X" read), and deletes them again once the scenes have loaded them.
// Results go to standard output, one line per member.

class ArchiveExtractor {
  public:
    static constexpr const char* kArchiveName = "data.rar";

    // Extracts the member named `path` and writes it to the file `path` (created or
    // truncated; directories must exist). Prints "OK." or the error line; on failure the
    // file is left empty.
    static void ExtractMember(const char* path);

    // Starts decoding the extraction list into memory on a second thread (see
    // extraction_worker.h); nothing is written or printed until ExtractAll.
    static void StartDecoding();

    // ExtractMember for each entry of the extraction list, in order (demo initialisation,
    // before the scene inits); the lines print as each file is written. Afterwards the
    // second thread builds the extracted meshes for the scene inits.
    static void ExtractAll();

    // Ends the second thread and forgets the meshes it built; decoded members that
    // ExtractAll never asked for are dropped without a file.
    static void Stop();

    // Stop, then DeleteFileW for each entry of the delete list, in order, ignoring results
    // (demo initialisation, after the scene inits). "data\textures\circle01.dds" is not on it
    // and stays on disk.
    static void DeleteExtracted();
};
