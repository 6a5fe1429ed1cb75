#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class Printer;

// Prints an employee's picture as a document of its own: `heading` (the employee's name) on one
// line, the picture below it 6.25 inches wide and as high as the proportions of `shownSize` (the
// size the picture is shown at) make it, however far that runs. Returns what went wrong ending
// the document (empty: nothing).
QString PrintPicturePage(Printer& printer, const QString& heading, const QImage& picture, QSize shownSize);
