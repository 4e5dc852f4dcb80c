#pragma once
// Where a run reads its media, extracts its archive and writes its log. The demo names its
// files relative to the current directory ("z.ogg", "data\blobby02.x", "bramble.txt"), so
// the run directory is made current before the framework starts: the directory -data:DIR
// names, else the installed media (share/quillmoor beside the bin/ directory the program was
// installed to) when the program runs from there, else the current directory.
//
// A run directory the user cannot write to (the installed media under /usr) is read through:
// the run works in a private directory of its own, made current for the run and removed at
// its end, so extraction writes nowhere else; the log then goes to the XDG state directory.

#include <string>
#include <vector>

struct RunPlace {
    std::string startDirectory; // current when the program started
    std::string runDirectory;   // where the media are read
    std::string workDirectory;  // current during the run: extraction writes here
    std::string logDirectory;   // where bramble.txt goes
    bool privateWork = false;   // workDirectory is this run's own and Leave removes it
};

// The environment the choice depends on.
struct RunEnvironment {
    std::string home;
    std::string xdgStateHome;
    std::string xdgRuntimeDir;
    std::string xdgCacheHome;

    static RunEnvironment FromProcess();
};

namespace RunDirectory {

// The installed media of the program at `executable`: the directory QUILLMOOR_DATA_FROM_BIN
// names relative to the executable's directory, when it holds data.rar or z.ogg and the
// executable's own directory does not (a build tree or a copy keeps its media beside the
// program and runs from the current directory as before). Empty otherwise.
std::string InstalledMedia(const std::string& executable);

// $XDG_STATE_HOME/quillmoor, or $HOME/.local/state/quillmoor; a relative XDG value is
// ignored, as the XDG rules say.
std::string StateDirectory(const RunEnvironment& environment);

// The parents a private work directory may be made in, in order of preference:
// $XDG_RUNTIME_DIR/quillmoor (memory, cleared at logout), then the XDG cache directory.
std::vector<std::string> WorkParents(const RunEnvironment& environment);

// Chooses the place (`dataOption` is the -data:DIR value, empty when not given), makes the
// directories it needs and the work directory current. False with a message when the -data
// directory does not exist, or the run directory cannot be written and no private work
// directory can be made.
bool Enter(const std::string& dataOption, const RunEnvironment& environment, RunPlace* place,
           std::string* error);

// Makes the start directory current again and removes a private work directory.
void Leave(const RunPlace& place);

} // namespace RunDirectory
