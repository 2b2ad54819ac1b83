#pragma once
// What the sections of bench/editor share: each section's entry point (a QApplication must exist).
// A section prints its own lines.

namespace bench {

// Replace all of 10,000 matches in the SQL pane.
void ReplaceAllSection();

}  // namespace bench
