#pragma once
// One cell as a writer or a reader away from the store sees it: a view of its text, whether it is
// null and what the engine said it is.
#include "core/ValueKind.h"

#include <string_view>

namespace tbn::results {

struct CellValue {
    std::string_view text;  // "" for null
    bool null = false;
    core::ValueKind kind = core::ValueKind::Text;
};

}  // namespace tbn::results
