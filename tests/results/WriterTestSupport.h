#pragma once
// Writing results to a string, for the format tests.
#include "results/ResultWriter.h"

#include <optional>
#include <string>

namespace tbn::test {

class StringSink final : public results::ByteSink {
public:
    void Write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

// The whole view in the format, or the block of it.
inline std::string WriteWhole(const results::ResultView& view, results::ResultFormat format,
                              const results::FormatOptions& options = {},
                              std::optional<results::ViewBlock> block = std::nullopt) {
    StringSink sink;
    const auto writer = results::MakeResultWriter(format, options, sink);
    results::WriteView(view, block.value_or(results::ViewBlock::Whole(view)), *writer);
    return sink.text;
}

}  // namespace tbn::test
