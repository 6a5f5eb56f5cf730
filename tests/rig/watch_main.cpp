// tarvo-watch [--cwd DIR] [--close button|esc|box|never] [--read MS] [--timeout MS] [--shot FILE.bmp]
//             [--token limited]
//             -- COMMAND LINE
// tarvo-watch [options] --line-from VARIABLE
//
// --shot saves the screen around the splash window as it last stood before
// the splash went.
// Everything behind " -- " (or the variable's value) is passed on byte for
// byte as the program's command line. Prints the report; exits 0 when the program could be started.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "screen.h"
#include "watch.h"

// Every 100 ms while a splash is visible, the screen around it.
struct SplashShot {
    std::string path;
    Pixels last;
    unsigned lastMs = 0;

    void poll(const WatchReport& report, unsigned ms) {
        if (ms - lastMs < 100) return;
        for (const SeenWindow& w : report.windows) {
            HWND window = (HWND)w.handle;
            RECT r;
            if (w.className != "TarvoSplashScreen" || !IsWindowVisible(window) || !GetWindowRect(window, &r))
                continue;
            InflateRect(&r, 60, 60);
            RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            IntersectRect(&r, &r, &screen);
            last = grabScreen(r);
            lastMs = ms;
        }
    }
};

int main(int argc, char** argv) {
    WatchOptions options;
    SplashShot shot;
    for (int i = 1; i + 1 < argc && strcmp(argv[i], "--") != 0 && strcmp(argv[i], "--line-from") != 0; i += 2) {
        if (strcmp(argv[i], "--cwd") == 0) options.currentDirectory = argv[i + 1];
        else if (strcmp(argv[i], "--read") == 0) options.readingMs = atoi(argv[i + 1]);
        else if (strcmp(argv[i], "--timeout") == 0) options.timeoutMs = atoi(argv[i + 1]);
        else if (strcmp(argv[i], "--shot") == 0) shot.path = argv[i + 1];
        else if (strcmp(argv[i], "--token") == 0) options.limited = strcmp(argv[i + 1], "limited") == 0;
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
        fputs("usage: tarvo-watch [--cwd DIR] [--close button|esc|box|never] [--read MS] [--timeout MS] "
              "[--shot FILE.bmp] -- COMMAND\n",
              stderr);
        return 2;
    }
    if (!shot.path.empty()) options.eachPoll = [&shot](WatchReport& r, unsigned ms) { shot.poll(r, ms); };
    WatchReport report = watchProgram(options);
    fputs(report.describe().c_str(), stdout);
    if (!shot.path.empty()) {
        if (shot.last.rgb.empty()) fputs("no splash was seen\n", stdout);
        else if (!saveBitmap(shot.last, shot.path)) fprintf(stdout, "cannot write %s\n", shot.path.c_str());
    }
    return report.started ? 0 : 1;
}
