#include "launch_fixture.h"

#include <algorithm>

const char MESSAGE_NO_JVM[] =
    "No JVM could be found on your system.\nPlease define TARVO_JAVA_HOME\nto point to an installed JDK or JRE.";

// Every key below HKLM\SOFTWARE that a test may write.
static const char* const TEST_KEYS[] = {"SOFTWARE\\brannoc",           "SOFTWARE\\JavaSoft",
                                        "SOFTWARE\\Eclipse Adoptium",  "SOFTWARE\\Eclipse Foundation",
                                        "SOFTWARE\\AdoptOpenJDK",      "SOFTWARE\\Microsoft\\JDK",
                                        "SOFTWARE\\Azul Systems"};

static void clearTestKeys() {
    for (const char* key : TEST_KEYS) deleteRegistryTree(key);
    // Where a launcher keeps its records for a user who may not write the above.
    RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\brannoc");
}

void LaunchTest::SetUp() {
    CreateDirectoryA(app.c_str(), nullptr);
    CreateDirectoryA(tmp.c_str(), nullptr);
    setEnv("TMP", tmp.c_str());
    setEnv("TEMP", tmp.c_str());
    for (const char* name :
         {"JAVA_HOME", "JDK_HOME", "TARVO_JAVA_HOME", "SELVADRIN_JAVA_HOME", "JAVA_STANDIN_LOG"})
        setEnv(name, nullptr);
    clearTestKeys();
}

void LaunchTest::TearDown() {
    clearTestKeys();
    // Undone last first, so a variable set twice gets its original back.
    while (!env.empty()) env.pop_back();
}

void LaunchTest::setEnv(const char* name, const char* value) { env.emplace_back(new ScopedEnv(name, value)); }

void LaunchTest::userFolder(const char* variable, const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    setEnv(variable, folder.c_str());
}

void LaunchTest::configure(const std::vector<std::string>& lines) { makeLauncher(exe, lines); }

WatchReport LaunchTest::run(const std::string& args, WatchOptions options) {
    if (!fileExists(exe)) configure();
    options.commandLine = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    return watchProgram(options);
}

WatchReport LaunchTest::runApplication(const std::string& script, const std::string& args, WatchOptions options) {
    vmHome(script);
    return run(args, options);
}

std::string LaunchTest::tempRecord(const char* value) {
    std::string data;
    readRegistryValue("SOFTWARE\\brannoc\\tarvo\\temp\\", value, &data);
    // The platform may hand a string back with a terminator that was never stored.
    while (!data.empty() && data.back() == '\0') data.pop_back();
    return data;
}

WatchReport runScript(const std::string& line) {
    WatchOptions options;
    options.program = "C:\\windows\\system32\\cmd.exe";
    options.commandLine = "cmd /c \"" + line + "\"";
    return watchProgram(options);
}

std::string textLines(const std::string& path) {
    std::string text = readFile(path);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

unsigned exitOf(const WatchReport& report, const char* role) {
    const EndedProcess* p = report.byRole(role);
    EXPECT_TRUE(p && p->ended) << role << " did not end\n" << report.describe();
    return p && p->ended ? p->exitCode : 0xBAD;
}

unsigned endOf(const WatchReport& report, const char* role) {
    const EndedProcess* p = report.byRole(role);
    return p ? p->endedMs : 0;
}

std::string LaunchTest::javaHome(const std::string& name, const std::string& script, bool inJre, bool withJavaw,
                                 bool withVm) {
    std::string home = root / name;
    std::string bin = inJre ? home + "\\jre\\bin" : home + "\\bin";
    CreateDirectoryA(home.c_str(), nullptr);
    if (inJre) CreateDirectoryA((home + "\\jre").c_str(), nullptr);
    CreateDirectoryA(bin.c_str(), nullptr);
    CopyFileA(standinPath("java_standin.exe").c_str(), (bin + "\\java.exe").c_str(), FALSE);
    if (withJavaw) CopyFileA(standinPath("java_standin.exe").c_str(), (bin + "\\javaw.exe").c_str(), FALSE);
    if (!script.empty()) writeFile(bin + "\\java.script", script);
    if (withVm) {
        CreateDirectoryA((bin + "\\client").c_str(), nullptr);
        CopyFileA(standinPath("lib_jvm_noexport.dll").c_str(), (bin + "\\client\\jvm.dll").c_str(), FALSE);
    }
    return home;
}

int LaunchTest::javaRuns(const std::string& binDir) {
    std::string runs = readFile(binDir + "\\java.runs");
    int n = 0;
    for (char c : runs) n += c == '\n';
    return n;
}

std::string message1007(const std::string& variable) {
    return "The " + variable + " envionment variable does not\npoint to a working JDK or JRE.";
}

std::string message1008(const std::string& path) {
    return "The JVM found at " + path +
           " is damaged.\nPlease reinstall or define TARVO_JAVA_HOME\nto point to an installed JDK or JRE.";
}

bool parentWaitedForChild(const WatchReport& report) {
    return endOf(report, "parent") + 50 >= endOf(report, "child");
}

std::string LaunchTest::vmHome(const std::string& jvmScript, const char* library) {
    std::string home = javaHome("vm");
    std::string client = home + "\\bin\\client";
    CreateDirectoryA(client.c_str(), nullptr);
    if (library) CopyFileA(standinPath(library).c_str(), (client + "\\jvm.dll").c_str(), FALSE);
    writeFile(client + "\\jvm.script", jvmScript);
    setEnv("JAVA_HOME", home.c_str());
    return home;
}

std::string LaunchTest::vmRecord() { return readFile(root / "vm\\bin\\client\\jvm.record"); }

static std::string modernBin(const std::string& home) {
    return fileExists(home + "\\jre") ? home + "\\jre\\bin" : home + "\\bin";
}

std::string LaunchTest::modernHome(const std::string& name, bool jdk8, const std::string& version, bool foreign,
                                   const std::string& banner) {
    std::string home = root / name;
    std::string bin = jdk8 ? home + "\\jre\\bin" : home + "\\bin";
    for (const std::string& dir : {home, home + "\\jre", bin, bin + "\\server"})
        if (jdk8 || dir != home + "\\jre") CreateDirectoryA(dir.c_str(), nullptr);
    for (const char* exe : {"\\java.exe", "\\javaw.exe"})
        CopyFileA(standinPath("java_standin.exe", foreign).c_str(), (bin + exe).c_str(), FALSE);
    CopyFileA(standinPath(jdk8 ? "lib_jvm_standin.dll" : "lib_jvm_modern.dll", foreign).c_str(),
              (bin + "\\server\\jvm.dll").c_str(), FALSE);
    if (!jdk8) CopyFileA(standinPath("lib_rt_standin.dll", foreign).c_str(), (bin + "\\lib_rt_standin.dll").c_str(), FALSE);
    if (!version.empty())
        writeFile(home + "\\release", "IMPLEMENTOR=\"Stand-in\"\nJAVA_VERSION=\"" + version + "\"\nOS_NAME=\"Windows\"\n");
    if (!banner.empty()) writeFile(bin + "\\java.script", banner);
    writeFile(bin + "\\server\\jvm.script", "");
    return home;
}

std::string LaunchTest::modernVmRecord(const std::string& home) {
    return readFile(modernBin(home) + "\\server\\jvm.record");
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
    return n;
}

std::string scriptText(const std::string& path) {
    std::string out;
    for (char c : path) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}
