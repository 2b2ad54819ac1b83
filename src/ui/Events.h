#pragma once
namespace tbn::platform {
// Lets pending window events run once, then returns.
void DoEvents();
}
