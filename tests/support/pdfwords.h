#pragma once

#include <QList>
#include <QString>

// A word of a PDF printout with its box in inches from the page's top-left corner, as
// pdftotext -bbox (poppler-utils) reads it.
struct PdfWord {
    int page = 1; // from 1
    QString text;
    double xMin = 0;
    double yMin = 0;
    double xMax = 0;
    double yMax = 0;
};

// Every word of the file in reading order, each page opened by an empty word that marks it;
// empty, with the reason in `error`, when the file cannot be read.
QList<PdfWord> ReadPdfWords(const QString& pdfPath, QString* error = nullptr);

// The pages of the file, as pdftotext counts them.
int PdfPageCount(const QList<PdfWord>& words);

// The first word equal to `text` (on `page` when given); nullptr when there is none.
const PdfWord* FindPdfWord(const QList<PdfWord>& words, const QString& text, int page = 0);
