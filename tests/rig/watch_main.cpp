// tarvo-watch [--cwd DIR] [--close button|esc|box|never] [--read MS] [--timeout MS] -- COMMAND LINE
// tarvo-watch [options] --line-from VARIABLE
//
// Everything behind " -- " (or the variable's value) is passed on byte for
// byte as the program's command line. Prints the report; exits 0 when the program could be started.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "watch.h"

int main(int argc, char** argv) {
    WatchOptions options;
    for (int i = 1; i + 1 < argc && strcmp(argv[i], "--") != 0 && strcmp(argv[i], "--line-from") != 0; i += 2) {
        if (strcmp(argv[i], "--cwd") == 0) options.currentDirectory = argv[i + 1];
        else if (strcmp(argv[i], "--read") == 0) options.readingMs = atoi(argv[i + 1]);
        else if (strcmp(argv[i], "--timeout") == 0) options.timeoutMs = atoi(argv[i + 1]);
        else if (strcmp(argv[i], "--close") == 0) {
            const char* how = argv[i + 1];
            options.closeBy = !strcmp(how, "esc")     ? CloseBy::Escape
                              : !strcmp(how, "box")   ? CloseBy::CloseBox
                              : !strcmp(how, "never") ? CloseBy::Never
                                                      : CloseBy::Button;
        }
    }
    const char* rest = strstr(GetCommandLineA(), " -- ");
    if (argc == 3 || (argc > 2 && strcmp(argv[argc - 2], "--line-from") == 0)) {
        const char* value = getenv(argv[argc - 1]);
        options.commandLine = value ? value : "";
    } else if (rest) {
        options.commandLine = rest + 4;
    }
    if (options.commandLine.empty()) {
        fputs("usage: tarvo-watch [--cwd DIR] [--close button|esc|box|never] [--read MS] [--timeout MS] -- COMMAND\n",
              stderr);
        return 2;
    }
    WatchReport report = watchProgram(options);
    fputs(report.describe().c_str(), stdout);
    return report.started ? 0 : 1;
}
