// tarvo-build: writes a product's launcher from a project file; --help
// tells how.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "files/bytes_text.h"
#include "launcher.h"
#include "project.h"
#include "templates.h"

namespace {

int fail(const std::string& message) {
    fprintf(stderr, "tarvo-build: %s\n", message.c_str());
    return 1;
}

const char USAGE[] =
    "usage: tarvo-build PROJECT.toml -o LAUNCHER.exe [--subsystem windows|console] [--template TEMPLATE.exe]\n"
    "       tarvo-build --print LAUNCHER.exe [--extract DIR]\n"
    "       tarvo-build --help | --version\n";

const char HELP[] =
    "\n"
    "  PROJECT.toml -o LAUNCHER.exe  build the launcher that the project file describes\n"
    "  --subsystem windows|console   a window program (the default) or its command-line twin\n"
    "  --template TEMPLATE.exe       start from this launcher rather than the one carried inside\n"
    "  --print LAUNCHER.exe          print the project that a launcher was built from\n"
    "  --extract DIR                 with --print: write the project and the files it names (icon,\n"
    "                                bitmaps, included files, runtime) into DIR, a new or empty folder\n"
    "  --help, -h                    this text\n"
    "  --version                     this builder's version and the launchers it carries\n"
    "\n"
    "The project file's keys: docs/reference.md; how a product is made: docs/guide.md.\n";

// A wrong use: the short usage on standard error, and 2, as tools do.
int usage() {
    fputs(USAGE, stderr);
    return 2;
}

int help() {
    fputs(USAGE, stdout);
    fputs(HELP, stdout);
    return 0;
}

// SOURCE_DATE_EPOCH when set, so that builds are reproducible; else 0.
uint32_t timeStamp() {
    const char* epoch = getenv("SOURCE_DATE_EPOCH");
    if (!epoch || !*epoch) return 0;
    unsigned long long v = strtoull(epoch, nullptr, 10);
    return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)v;
}

// Written beside the target and renamed over it, so that a failure never
// leaves a half-written launcher.
bool buildInto(const std::string& path, const std::vector<uint8_t>& base, Project project, std::string* error) {
    std::string temporary = path + ".part";
    bool built;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return *error = "cannot write " + path, false;
        built = buildLauncher(base, std::move(project.plan), timeStamp(),
                              [&](const uint8_t* data, size_t size) { out.write((const char*)data, (std::streamsize)size); },
                              error);
        if (built && !out.good()) built = (*error = "cannot write " + path, false);
    }
    if (built) {
        std::remove(path.c_str());
        if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
        *error = "cannot write " + path;
    }
    std::remove(temporary.c_str());
    return false;
}

std::vector<uint8_t> embeddedTemplate(const std::string& arch) {
    if (arch == "x86") return std::vector<uint8_t>(TEMPLATE_X86, TEMPLATE_X86 + TEMPLATE_X86_SIZE);
    if (arch == "arm64") return std::vector<uint8_t>(TEMPLATE_ARM64, TEMPLATE_ARM64 + TEMPLATE_ARM64_SIZE);
    return std::vector<uint8_t>(TEMPLATE_X64, TEMPLATE_X64 + TEMPLATE_X64_SIZE);
}

int print(const std::string& path, const std::string& extractTo) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, &bytes)) return fail("cannot read " + path);
    PeImage image, base;
    std::string error;
    if (!readPeImage(bytes, &image, &error, true)) return fail(path + ": " + error);
    const Arch* machine = archOfMachine(image.machine);
    if (!machine) return fail(path + ": not a launcher for a machine this builder knows");
    std::string arch = machine->name;
    std::map<unsigned, std::string> strings, defaults;
    if (!readStringTable(image.resources, &strings, &error)) return fail(path + ": " + error);
    if (!readPeImage(embeddedTemplate(arch), &base, &error) || !readStringTable(base.resources, &defaults, &error))
        return fail("the built-in template: " + error);
    applyNewProjectValues(&defaults);
    bool console = le16(image.bytes.data() + image.optionalAt + SUBSYSTEM_AT) == SUBSYSTEM_CONSOLE;
    Recovered files;
    recoverFiles(image.resources, strings, &files);
    std::string project = printProject(arch, console, strings, defaults, files);
    if (!extractTo.empty()) {
        files.files.push_back({"project.toml", std::vector<uint8_t>(project.begin(), project.end())});
        if (!writeRecovered(extractTo, files, &error)) return fail(error);
    }
    fputs(project.c_str(), stdout);
    return 0;
}

// The templates are built from the builder's own source: they carry its
// version, told with the size of each.
int version() {
    printf("tarvo-build %s\n", TARVO_VERSION);
    const struct {
        const char* arch;
        size_t size;
    } templates[] = {{"x86", TEMPLATE_X86_SIZE}, {"x64", TEMPLATE_X64_SIZE}, {"arm64", TEMPLATE_ARM64_SIZE}};
    for (const auto& t : templates)
        printf("  %s launcher %s, %lu bytes\n", t.arch, TARVO_VERSION, (unsigned long)t.size);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) return help();
    if (args.size() == 1 && args[0] == "--version") return version();
    if (args.size() == 2 && args[0] == "--print") return print(args[1], "");
    if (args.size() == 4 && args[0] == "--print" && args[2] == "--extract") return print(args[1], args[3]);
    std::string project, output, templateFile, subsystem;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size()) output = args[++i];
        else if (args[i] == "--subsystem" && i + 1 < args.size()) subsystem = args[++i];
        else if (args[i] == "--template" && i + 1 < args.size()) templateFile = args[++i];
        else if (project.empty() && args[i][0] != '-') project = args[i];
        else return usage();
    }
    if (project.empty() || output.empty()) return usage();
    Project p;
    std::string error;
    if (!loadProject(project, &p, &error)) return fail(error);
    if (!subsystem.empty() && !chooseSubsystem(subsystem, &p))
        return fail("--subsystem: expected \"windows\" or \"console\"");
    finishProject(&p);
    for (const std::string& warning : p.warnings) fprintf(stderr, "tarvo-build: warning: %s\n", warning.c_str());
    // Its copies then live in a folder named after the executable, which a
    // renamed launcher no longer finds.
    auto given = [&](unsigned id) { return p.plan.strings.count(id) && !p.plan.strings[id].empty(); };
    if (!given(101) && !given(149) && (!p.plan.runtime.empty() || (given(156) && p.plan.strings[156] == "1")))
        fprintf(stderr, "tarvo-build: warning: %s: neither name nor data_folder is set: the launcher keeps its copies "
                        "in a folder named after the executable\n", project.c_str());
    std::vector<uint8_t> base = embeddedTemplate(p.arch);
    if (!templateFile.empty() && !readWholeFile(templateFile, &base)) return fail("cannot read " + templateFile);
    if (!buildInto(output, base, std::move(p), &error)) return fail(project + ": " + error);
    return 0;
}
