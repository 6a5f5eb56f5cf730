// What the header of a Windows image tells about the code inside it.
#pragma once
#include <cstddef>
#include <cstdint>

enum : uint16_t {
    MACHINE_UNKNOWN = 0,
    MACHINE_I386 = 0x014C,
    MACHINE_AMD64 = 0x8664,
    MACHINE_ARM64 = 0xAA64,
};

// The machine field of the image whose first `length` bytes are given, or
// MACHINE_UNKNOWN when they do not hold a complete header.
uint16_t imageMachine(const unsigned char* data, size_t length);

// The words that tell the user `machine` apart from `beside`: "32-bit",
// "ARM64", and for x86-64 "64-bit", or "x64" beside ARM64, which is 64-bit
// too; "another machine's" for one we do not name.
const char* machineWords(uint16_t machine, uint16_t beside);

// The names of the DLLs that a whole image imports, in table order: each
// zero-terminated name is handed to `take` with `context`; stops early when
// `take` returns false. False when the image or its table is damaged (names
// found before the damage have been handed on).
bool importedDllNames(const unsigned char* image, size_t length, bool (*take)(const char* name, void* context),
                      void* context);
