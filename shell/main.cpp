// Process entry: the command line goes to the platform, everything else happens in DemoMain.
#include "platform/win32/win32.h"

int DemoMain();

int main(int argc, char** argv) {
    SetProcessCommandLine(argc, argv);
    return DemoMain();
}
