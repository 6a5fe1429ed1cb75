#include "support/pdfwords.h"

#include <QProcess>
#include <QXmlStreamReader>

QList<PdfWord> ReadPdfWords(const QString& pdfPath, QString* error) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdfPath, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("pdftotext failed on %1: %2")
                         .arg(pdfPath, QString::fromLocal8Bit(process.readAllStandardError()));
        return {};
    }
    QList<PdfWord> words;
    QXmlStreamReader xml(process.readAllStandardOutput());
    int page = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("page")) {
            // An empty word marks each page, so that pages without text still count.
            PdfWord marker;
            marker.page = ++page;
            words << marker;
        } else if (xml.name() == QLatin1String("word")) {
            const auto a = xml.attributes();
            PdfWord w;
            w.page = page;
            // pdftotext measures in points.
            w.xMin = a.value(QLatin1String("xMin")).toDouble() / 72.0;
            w.yMin = a.value(QLatin1String("yMin")).toDouble() / 72.0;
            w.xMax = a.value(QLatin1String("xMax")).toDouble() / 72.0;
            w.yMax = a.value(QLatin1String("yMax")).toDouble() / 72.0;
            w.text = xml.readElementText();
            words << w;
        }
    }
    if (xml.hasError() && error)
        *error = xml.errorString();
    return words;
}

int PdfPageCount(const QList<PdfWord>& words) {
    int pages = 0;
    for (const PdfWord& w : words)
        pages = std::max(pages, w.page);
    return pages;
}

const PdfWord* FindPdfWord(const QList<PdfWord>& words, const QString& text, int page) {
    for (const PdfWord& w : words) {
        if (w.text == text && (page == 0 || w.page == page))
            return &w;
    }
    return nullptr;
}
