// Process entry: the heap's policy and the command line go to the platform, everything else
// happens in DemoMain.
#include <cstdlib>

#include "platform/win32/process_heap.h"
#include "platform/win32/win32.h"

int DemoMain();

int main(int argc, char** argv) {
    ProcessHeap::Prepare();
    SetProcessCommandLine(argc, argv);
    // Through exit() rather than a return: a main that was suspended and resumed in the
    // browser build returns to nobody, and its page learns the exit code only from exit().
    std::exit(DemoMain());
}
