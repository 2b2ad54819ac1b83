#pragma once
// The rows the fill and export benchmarks store: a million of six value columns after a record
// number, shaped like a typical result (a key, names, a date, an amount, a status, a null), with
// the kinds an engine would give them.
#include "core/ValueKind.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

namespace bench {

constexpr int kFillRows = 1000000;
constexpr int kFillFields = 6;

struct RowMaker {
    char number[16], id[16], name[32], date[16], amount[16];
    std::vector<std::optional<std::string_view>> values =
        std::vector<std::optional<std::string_view>>(kFillFields + 1);
    static constexpr std::array<tbn::core::ValueKind, kFillFields + 1> kinds = {
        tbn::core::ValueKind::Text, tbn::core::ValueKind::Number, tbn::core::ValueKind::Text,
        tbn::core::ValueKind::Text, tbn::core::ValueKind::Number, tbn::core::ValueKind::Text,
        tbn::core::ValueKind::Text};

    // Makes row r (1-based); returns the bytes of its text.
    std::size_t Make(int r) {
        const int numberLength = std::snprintf(number, sizeof number, "%d", r);
        const int idLength = std::snprintf(id, sizeof id, "%d", 100000 + r);
        const int nameLength =
            std::snprintf(name, sizeof name, "Customer name %07d", r * 7 % 9999999);
        const int dateLength =
            std::snprintf(date, sizeof date, "2024-%02d-%02d", r % 12 + 1, r % 28 + 1);
        const int amountLength =
            std::snprintf(amount, sizeof amount, "%d.%02d", r % 100000, r % 100);
        values[0] = std::string_view(number, static_cast<std::size_t>(numberLength));
        values[1] = std::string_view(id, static_cast<std::size_t>(idLength));
        values[2] = std::string_view(name, static_cast<std::size_t>(nameLength));
        values[3] = std::string_view(date, static_cast<std::size_t>(dateLength));
        values[4] = std::string_view(amount, static_cast<std::size_t>(amountLength));
        values[5] = std::string_view(r % 3 ? "shipped" : "pending");
        values[6] = std::nullopt;
        std::size_t bytes = 0;
        for (const auto& value : values) bytes += value ? value->size() : 0;
        return bytes;
    }
};

}  // namespace bench
