#pragma once
// Geometry in twips: 1440 per inch; at the usual 96 dpi, 15 twips make a pixel. Layout arithmetic
// stays in twips; conversion happens once, where a widget is placed or measured.
namespace tbn::platform {

double LogicalDpi();  // of the primary screen; 96 without a screen
int TwipsToPixels(double twips);
double PixelsToTwips(double pixels);
int TwipsPerPixel();  // 1440 / dpi, rounded

} // namespace tbn::platform
