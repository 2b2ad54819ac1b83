#pragma once
// What an engine said a value is, kept beside its text so that a format that needs it (JSON, SQL
// INSERT statements, a sort) writes or compares the value as the engine typed it. A null is not a
// kind: it is marked apart, and its kind says nothing.
#include <cstdint>

namespace tbn::core {

enum class ValueKind : std::uint8_t {
    Text,    // anything not below, dates and times included: written quoted
    Number,  // integers, decimals and floating point, in the engine's own digits
    Binary,  // bytes, shown as upper-case hexadecimal with two digits a byte
};

}  // namespace tbn::core
