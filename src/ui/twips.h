#pragma once

class QWidget;

// Lengths in twips (1440 to the inch) to and from device-independent pixels, at the logical DPI of
// the screen `w` is on (the primary screen when there is no widget). Results are rounded to the
// nearest whole unit.
int TwipsToPixelsX(int twips, const QWidget* w = nullptr);
int TwipsToPixelsY(int twips, const QWidget* w = nullptr);
int PixelsToTwipsX(int pixels, const QWidget* w = nullptr);
int PixelsToTwipsY(int pixels, const QWidget* w = nullptr);

// Places a child control by its designed geometry in twips.
void PlaceTwips(QWidget* w, int left, int top, int width, int height);
