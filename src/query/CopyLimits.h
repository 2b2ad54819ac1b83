#pragma once
// How large a grid copy may grow before the user is asked, and below which size it also carries
// the richer forms (HTML, CSV). The clipboard holds its text in memory, as UTF-16, so a copy of a
// result kept partly on disk can need several times the memory budget; the question comes before
// any row is read. The rich forms would each hold the block again and no program pastes a table
// of that size from them, so a large copy carries the plain text only. Process-wide.
#include <cstddef>

namespace tbn::query::CopyLimits {

std::size_t AskAboveBytes();  // 256 MiB unless set (the user settings may, at start-up)
void SetAskAboveBytes(std::size_t bytes);
std::size_t RichFormsUpToBytes();  // 16 MiB unless set
void SetRichFormsUpToBytes(std::size_t bytes);

}  // namespace tbn::query::CopyLimits
