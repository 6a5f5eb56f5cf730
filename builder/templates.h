// The launcher templates, one for each machine, carried inside the builder.
#pragma once
#include <cstddef>
#include <cstdint>

extern const uint8_t TEMPLATE_X86[];
extern const size_t TEMPLATE_X86_SIZE;
extern const uint8_t TEMPLATE_X64[];
extern const size_t TEMPLATE_X64_SIZE;
extern const uint8_t TEMPLATE_ARM64[];
extern const size_t TEMPLATE_ARM64_SIZE;
