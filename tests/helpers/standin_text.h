// How the stand-ins read their scripts: one step a line, with \n, \r, \t, \0
// and \\ escapes in the text a step carries.
#pragma once
#include <string>
#include <vector>

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

// Lines end with \n or \r\n; the last one may have no end, and an end at the
// very end starts no further line.
inline std::vector<std::string> scriptLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
        start = end + 1;
    }
    return lines;
}
