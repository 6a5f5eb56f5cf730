#include "config_lines.h"

#include <cstdlib>

static bool unescape(const std::string& in, std::string* out, std::string* error) {
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out->push_back(in[i]);
            continue;
        }
        if (++i == in.size()) return *error = "a lone backslash ends the value", false;
        switch (in[i]) {
            case 'n': out->push_back('\n'); break;
            case 'r': out->push_back('\r'); break;
            case 't': out->push_back('\t'); break;
            case '\\': out->push_back('\\'); break;
            case 'x': {
                                std::string hex = in.substr(i + 1, 2);
                char* end = nullptr;
                long v = strtol(hex.c_str(), &end, 16);
                if (hex.size() != 2 || *end) return *error = "\\x needs two hex digits", false;
                out->push_back((char)v);
                i += 2;
                break;
            }
            default: return *error = std::string("unknown escape \\") + in[i], false;
        }
    }
    return true;
}

bool parseConfigLine(const std::string& raw, ConfigChange* change, bool* skip, std::string* error) {
    std::string line = raw;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    *skip = line.empty() || line[0] == '#';
    if (*skip) return true;
    size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
    if (digits == 0 || digits > 5) return *error = "a line must start with an id: " + line, false;
    unsigned long id = strtoul(line.substr(0, digits).c_str(), nullptr, 10);
    if (id > 65535) return *error = "ids run from 0 to 65535: " + line, false;
    change->id = (unsigned)id;
    change->value.clear();
    std::string rest = line.substr(digits);
    change->remove = rest.empty();
    if (change->remove) return true;
    if (rest[0] == '=') return change->value = rest.substr(1), true;
    if (rest.compare(0, 2, "~=") == 0) return unescape(rest.substr(2), &change->value, error);
    return *error = "expected ID=VALUE, ID~=VALUE or ID: " + line, false;
}

std::string escapeValue(const std::string& value) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : value) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c == '\\') out += "\\\\";
        else if (c < 32) out += std::string("\\x") + hex[c >> 4] + hex[c & 15];
        else out.push_back((char)c);
    }
    return out;
}
