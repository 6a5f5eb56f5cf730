// Prints what the path functions make of each argument, as seen from this
// program's own command line and current directory.
#include <cstdio>
#include <cstdlib>

#include "files/paths.h"
#include "files/text.h"

static void show(const char* path) {
    char resolved[TEXT_CAP], canonical[TEXT_CAP];
    resolveFromExeDir(resolved, path);
    canonicalLowerPath(canonical, path);
    printf("resolved=%s\ncanonical=%s\n", resolved, canonical);
}

// Paths come from the arguments, and from PROBE_PATH for command lines whose
// words cannot be split.
int main(int argc, char** argv) {
    printf("exe-dir=%s\n", exeDirectory());
    for (int i = 1; i < argc; ++i) show(argv[i]);
    if (const char* extra = getenv("PROBE_PATH")) show(extra);
    return 0;
}
