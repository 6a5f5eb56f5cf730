// VM options that administrators and users set in files beside the product
// and in their own folder: the file's rules, and which options replace
// which.
#pragma once
#include <cstddef>

#include "files/string_list.h"

enum OptionsFileResult { OPTIONS_OK, OPTIONS_LINE_TOO_LONG, OPTIONS_ZERO_BYTE, OPTIONS_NOT_UTF8, OPTIONS_NO_MEMORY, OPTIONS_HEAP_SHARE };

// Reads a whole options file: UTF-8 with or without a byte-order mark, or
// UTF-16 (either order) with one, one
// option a line (CR LF or LF), blanks at either end trimmed, empty lines and
// lines that begin with "#" skipped, %NAME% replaced by the variable's value
// (lookup gives it, or false; an undefined one stays as written); a heap's
// share of memory (-Xmx<N>%) outside 1 to 100 is a fault. On a fault
// *line is the line's number and nothing is added.
OptionsFileResult readOptionsFile(const char* text, size_t length, bool (*lookup)(const char* name, char* value,
                                                                                  size_t cap),
                                  StringList* options, size_t* line);
// The words of a fault, for the user's message.
const char* optionsFileFault(OptionsFileResult result);

// What an option sets, for replacing: options with the same key replace each
// other (-Xmx and -XX:MaxRAMPercentage, -D with one name, the collector
// selectors, -XX: with one name); any other option is its own key.
void optionKey(const char* option, char* key, size_t cap);

// Keeps, of options with the same key, the last, in the order of the kept
// options' last appearance; the dropped ones are freed. origins, when not
// null, is reordered alike. Linear in the options; false (and nothing
// changed) where memory ran out.
bool mergeOptions(StringList* options, StringList* origins);

// The words of one layer as the VM takes them, as java.exe passes them:
// the module options that java.exe reads as two words (--add-opens X,
// --add-modules X, -p X, ...) joined as one (--add-opens=X), and java.exe's
// own options (-server, -client, -showversion, -version), which no VM
// takes, dropped and told to `dropped`. False where memory ran out.
bool joinOptionWords(StringList* words, void (*dropped)(const char* option));

// -Xmx<N>% and -Xms<N>% with N from 1 to 100: true, with *percent and
// *maximum (true for -Xmx).
bool heapPercentOption(const char* option, unsigned* percent, bool* maximum);
