#include "files/string_list.h"

#include <cstdlib>
#include <cstring>

bool addOwnedString(StringList* list, char* text) {
    if (!text) return false;
    if (list->count == list->capacity) {
        size_t grown = list->capacity ? list->capacity * 2 : 8;
        char** items = (char**)realloc(list->items, grown * sizeof *items);
        if (!items) {
            free(text);
            return false;
        }
        list->items = items;
        list->capacity = grown;
    }
    list->items[list->count++] = text;
    return true;
}

bool addStringCopy(StringList* list, const char* text, size_t n) {
    char* copy = (char*)malloc(n + 1);
    if (!copy) return false;
    memcpy(copy, text, n);
    copy[n] = '\0';
    return addOwnedString(list, copy);
}

bool addString(StringList* list, const char* text) { return addStringCopy(list, text, strlen(text)); }

void releaseListStorage(StringList* list) {
    free(list->items);
    list->items = nullptr;
    list->count = list->capacity = 0;
}

void freeStringList(StringList* list) {
    for (size_t i = 0; i < list->count; ++i) free(list->items[i]);
    releaseListStorage(list);
}

bool growAppend(GrowText* text, const char* src, size_t n) {
    if (text->length + n + 1 > text->capacity) {
        size_t grown = text->capacity ? text->capacity : 256;
        while (grown < text->length + n + 1) grown *= 2;
        char* data = (char*)realloc(text->data, grown);
        if (!data) return false;
        text->data = data;
        text->capacity = grown;
    }
    memcpy(text->data + text->length, src, n);
    text->length += n;
    text->data[text->length] = '\0';
    return true;
}

bool growAppendText(GrowText* text, const char* src) { return growAppend(text, src, strlen(src)); }
