// Process entry: the heap's policy and the command line go to the platform, everything else
// happens in DemoMain.
#include "platform/win32/process_heap.h"
#include "platform/win32/win32.h"

int DemoMain();

int main(int argc, char** argv) {
    ProcessHeap::Prepare();
    SetProcessCommandLine(argc, argv);
    return DemoMain();
}
