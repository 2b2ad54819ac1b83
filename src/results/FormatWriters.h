#pragma once
// The writer of each format, one file each; MakeResultWriter picks among them.
#include "results/ResultWriter.h"

#include <memory>

namespace tbn::results {

std::unique_ptr<ResultWriter> MakeCsvWriter(ByteSink& sink);
std::unique_ptr<ResultWriter> MakeTsvWriter(ByteSink& sink);
std::unique_ptr<ResultWriter> MakeJsonWriter(ByteSink& sink);
std::unique_ptr<ResultWriter> MakeSqlInsertWriter(const FormatOptions& options, ByteSink& sink);
std::unique_ptr<ResultWriter> MakeMarkdownWriter(ByteSink& sink);
std::unique_ptr<ResultWriter> MakeHtmlWriter(ByteSink& sink);

}  // namespace tbn::results
