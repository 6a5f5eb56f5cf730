// Stands in for a Java installation's java.exe. It notes each run in
// java.runs beside itself (and in the file JAVA_STANDIN_LOG names), then acts
// out java.script beside itself, one step a line:
//   say=TEXT    write TEXT to standard error (\r \n \t \\ escapes)
//   pause=MS
//   hang        never write again and never end
//   exit=CODE
// Without a script it prints a 1.4.2_03 banner.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "standin_files.h"
#include "standin_text.h"

static std::string ownDirectory() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s = path;
    return s.substr(0, s.rfind('\\') + 1);
}

static void appendLine(const std::string& file, const std::string& line) {
    HANDLE f = CreateFileA(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    std::string text = line + "\n";
    DWORD n;
    WriteFile(f, text.data(), (DWORD)text.size(), &n, nullptr);
    CloseHandle(f);
}

static void say(const std::string& text) {
    DWORD n;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), (DWORD)text.size(), &n, nullptr);
}

int main() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    appendLine(ownDirectory() + "java.runs", GetCommandLineA());
    if (const char* log = getenv("JAVA_STANDIN_LOG")) appendLine(log, self);

    std::string script;
    std::string path = ownDirectory() + "java.script";
    if (!readToEnd(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr),
                   &script)) {
        say("java version \"1.4.2_03\"\r\nJava(TM) 2 Runtime Environment, Standard Edition\r\n");
        return 0;
    }
    for (const std::string& step : scriptLines(script)) {
        size_t eq = step.find('=');
        std::string verb = step.substr(0, eq), arg = eq == std::string::npos ? "" : step.substr(eq + 1);
        if (verb == "say") say(unescapeScript(arg));
        else if (verb == "pause") Sleep((DWORD)atoi(arg.c_str()));
        else if (verb == "hang") Sleep(INFINITE);
        else if (verb == "exit") return atoi(arg.c_str());
    }
    return 0;
}
