// The escapes the stand-ins read in their scripts: \n, \r, \t, \0 and \\.
#pragma once
#include <string>

inline std::string unescapeScript(const std::string& in) {
    std::string out;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\' || i + 1 == in.size()) {
            out.push_back(in[i]);
            continue;
        }
        char c = in[++i];
        out.push_back(c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == '0' ? '\0' : c);
    }
    return out;
}
