#pragma once
// What the sections of bench/editor share: each section's entry point (a QApplication must exist).
// A section prints its own lines.

namespace bench {

// Loading a 10 MB, 200,000-line query file into the SQL pane until its first screen is painted,
// and typing at the end of a 20,000-line text, each against a plain QPlainTextEdit.
void LoadSection(int rounds);
void TypingSection(int keys);

// Replace all of 10,000 matches in the SQL pane.
void ReplaceAllSection();

}  // namespace bench
