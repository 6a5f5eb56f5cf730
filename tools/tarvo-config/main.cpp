// tarvo-config: writes configuration strings into a copy of a launcher.
//
//   tarvo-config TEMPLATE.exe [-o OUT.exe] [-f FILE]... [ID=VALUE | ID~=VALUE | -u ID]...
//   tarvo-config --print LAUNCHER.exe
//
// FILE holds one change per line in the same forms (ID alone removes it).
#include <cstdio>
#include <cstring>
#include <fstream>

#include "configure.h"

static int usage() {
    fputs("usage: tarvo-config TEMPLATE.exe [-o OUT.exe] [-f FILE]... [ID=VALUE | ID~=VALUE | -u ID]...\n"
          "       tarvo-config --print LAUNCHER.exe\n",
          stderr);
    return 2;
}

static int fail(const std::string& error) {
    fprintf(stderr, "tarvo-config: %s\n", error.c_str());
    return 1;
}

static int print(const char* exe) {
    std::map<unsigned, std::string> table;
    std::string error;
    if (!readConfiguration(exe, &table, &error)) return fail(error);
    for (auto& entry : table) printf("%u~=%s\n", entry.first, escapeValue(entry.second).c_str());
    return 0;
}

static bool addLine(const std::string& line, std::vector<ConfigChange>* changes, std::string* error) {
    ConfigChange change;
    bool skip = false;
    if (!parseConfigLine(line, &change, &skip, error)) return false;
    if (!skip) changes->push_back(change);
    return true;
}

static bool addFile(const char* path, std::vector<ConfigChange>* changes, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return *error = std::string("cannot read ") + path, false;
    std::string line;
    while (std::getline(in, line))
        if (!addLine(line, changes, error)) return false;
    return true;
}

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "--print") == 0) return print(argv[2]);
    if (argc < 2 || argv[1][0] == '-') return usage();
    std::string in = argv[1], out = argv[1], error;
    std::vector<ConfigChange> changes;
    for (int i = 2; i < argc; ++i) {
        bool hasValue = i + 1 < argc;
        if (strcmp(argv[i], "-o") == 0 && hasValue) {
            out = argv[++i];
        } else if (strcmp(argv[i], "-f") == 0 && hasValue) {
            if (!addFile(argv[++i], &changes, &error)) return fail(error);
        } else if (strcmp(argv[i], "-u") == 0 && hasValue) {
            if (!addLine(argv[++i], &changes, &error) || !changes.back().remove)
                return fail(std::string("-u takes an id alone: ") + argv[i]);
        } else if (!addLine(argv[i], &changes, &error)) {
            return fail(error);
        }
    }
    if (!configureLauncher(in, out, changes, &error)) return fail(error);
    return 0;
}
