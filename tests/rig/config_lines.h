// The tests' short form of configuration changes.
#pragma once
#include <string>

// Configuration lines: "ID=VALUE" sets the value literally, "ID~=VALUE" sets
// it with C escapes (\n \r \t \\ \xHH), "ID" alone removes the entry. Blank
// lines and lines starting with # are skipped.
struct ConfigChange {
    unsigned id;
    bool remove;
    std::string value;
};
bool parseConfigLine(const std::string& line, ConfigChange* change, bool* skip, std::string* error);
std::string escapeValue(const std::string& value);
