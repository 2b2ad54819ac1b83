#pragma once
namespace tbn::ui {
// Lets pending window events run once, then returns.
void DoEvents();
}  // namespace tbn::ui
