#include "config/data_folder.h"

#include <windows.h>

#include "config/config.h"
#include "files/path_text.h"
#include "files/text.h"
#include "files/wide.h"

// A product without a name of its own takes its executable's, never a
// folder that other products share: their copies would be each other's.
static void dataFolderName(char* dst, size_t cap) {
    configString(CFG_DATA_FOLDER, dst, cap);
    if (!dst[0]) productName(dst, cap);
    if (!isPlainFileName(dst)) copyText(dst, cap, "tarvo");
}

bool userDataFolder(const char* variable, char* dst, size_t cap, bool create) {
    char name[TEXT_CAP];
    dataFolderName(name, sizeof name);
    if (!environmentValue(variable, dst, cap) || !dst[0]) return false;
    if (!appendTexts(dst, cap, {"\\", name})) return false;
    if (!create) return appendText(dst, cap, "\\");
    createDirectory(dst);
    DWORD attributes = fileAttributes(dst);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return appendText(dst, cap, "\\");
}
