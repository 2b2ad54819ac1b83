#pragma once
// Geometry in twips: 1440 per inch; at the usual 96 dpi, 15 twips make a pixel. Layout arithmetic
// stays in twips; conversion happens once, where a widget is placed or measured.
#include <QRect>

class QWidget;

namespace tbn::ui {

double LogicalDpi();  // of the primary screen; 96 without a screen
int TwipsToPixels(double twips);
double PixelsToTwips(double pixels);
int TwipsPerPixel();  // 1440 / dpi, rounded
// A rectangle given in twips, in pixels.
QRect TwipsRect(double left, double top, double width, double height);
// Gives a widget the geometry of a rectangle given in twips.
void Place(QWidget* widget, double left, double top, double width, double height);

}  // namespace tbn::ui
