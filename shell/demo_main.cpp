#include <cstdio>

// Placeholder until the entry routine lands.
int DemoMain() {
    std::fputs("quillmoor: not built yet\n", stderr);
    return 1;
}
