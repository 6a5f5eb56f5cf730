// The files a launcher was built from, taken back out of its resources, so
// that a printed project builds the same launcher again.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "launcher.h"

struct RecoveredFile {
    std::string path;  // below the printed project's folder, "/" between folders
    std::vector<uint8_t> bytes;
};

struct Recovered {
    // Each file key of the project and the name it gets: "icon" is
    // "icon.ico", "splash.bitmap_125" is "splash-125.bmp", "runtime" is the
    // folder "runtime"; the included files go under "include/", in order.
    std::map<std::string, std::string> keys;
    std::vector<std::string> include;
    VersionInfo version;  // present where the launcher has one of ours
    std::vector<RecoveredFile> files;
    // Resources that no project key makes, named for the reader.
    std::vector<std::string> unknown;
};

// What `strings` (the launcher's table) and `tree` hold of the project's
// files. Names the launcher would refuse are never taken: nothing is
// written outside the folder it is given.
void recoverFiles(const ResourceTree& tree, const std::map<unsigned, std::string>& strings, Recovered* out);

// Writes the files below `folder`, which must be empty or new, so that no
// file of another launcher's is taken for one of this one's.
bool writeRecovered(const std::string& folder, const Recovered& recovered, std::string* error);

// 4286 as "4,286": sizes in the printed project's comments.
std::string groupedNumber(unsigned long long n);
