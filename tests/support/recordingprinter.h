#pragma once

#include "print/printer.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

// A printer that prints nothing and remembers everything: each text with its page, position and
// font, each picture, each new page and the end of each document. Positions are recorded both as
// the program set them and from the paper's edge. Letter paper with quarter-inch unprintable
// margins unless told otherwise. The end of each print command is noted too.
class RecordingPrinter final : public Printer {
public:
    struct Item {
        enum class Kind { Text, Picture, NewPage, EndDoc };
        Kind kind = Kind::Text;
        int document = 1; // counted from 1
        int page = 1;
        QString text;
        double x = 0; // as set by the program
        double y = 0;
        double paperX = 0; // from the paper's top-left corner
        double paperY = 0;
        double width = 0; // pictures
        double height = 0;
        QSize pictureSize;
        PrinterFont font;
    };

    explicit RecordingPrinter(QPointF physicalOffset = {0.25, 0.25}, QSizeF paper = {8.5, 11.0});

    const QList<Item>& Items() const { return m_items; }
    // The texts only, in print order.
    QList<Item> Texts() const;
    // The items of all documents, a line each, as a golden file holds them:
    //   <document>/<page> text <x> <y> <font>: <text>
    //   <document>/<page> picture <x> <y> <width>x<height> <pixels wide>x<pixels high>
    //   <document>/<page> new page | end
    // with positions as set by the program (from the paper's edge when `fromPaperEdge`), to six
    // decimals. A run of underscores that join up on one line is one line
    // `... <font>: _ x<count>`. Of one document only (`document` from 1), the lines start with the
    // page alone.
    QByteArray Listing(int document = 0, bool fromPaperEdge = false) const;
    // Ended documents.
    int Documents() const { return m_document - 1; }
    // What the next EndDoc reports (empty: success).
    void FailNextEndDoc(const QString& error) { m_failure = error; }

    // Each print command that ended (the outermost ones), as "<n> documents, usable" or "..., busy":
    // the documents ended while it ran, and whether at its end the window was usable again (no
    // busy pointer, and the watched window, if any, enabled).
    const QStringList& Commands() const { return m_commands; }
    void WatchWindow(const QWidget* window) { m_watched = window; }

    QPointF PhysicalOffsetInches() const override { return m_offset; }

protected:
    QRectF PrintableInches() const override;
    void DrawText(const QString& text, QPointF topLeft, const PrinterFont& font) override;
    void DrawPicture(const QImage& picture, QRectF target) override;
    void StartNewPage() override;
    QString FinishDocument() override;
    void CommandEnded() override;

private:
    QList<Item> m_items;
    QPointF m_offset;
    QSizeF m_paper;
    int m_document = 1;
    int m_page = 1;
    QString m_failure;
    QStringList m_commands;
    int m_commandDocuments = 0;
    QPointer<const QWidget> m_watched;
};
