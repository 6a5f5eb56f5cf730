#include "errors/message_text.h"

#include <cstring>

#include "files/text.h"

bool substitutePlaceholder(char* text, size_t cap, const char* placeholder, const char* value) {
    if (!*placeholder) return true;
    char* found = strstr(text, placeholder);
    if (!found) return true;
    char after[TEXT_CAP];
    bool whole = copyText(after, sizeof after, found + strlen(placeholder));
    *found = '\0';
    whole = appendText(text, cap, value) && whole;
    return appendText(text, cap, after) && whole;
}
