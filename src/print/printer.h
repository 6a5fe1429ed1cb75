#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <memory>

// The font the printer prints in: a face name, a size in points and the styles.
struct PrinterFont {
    QString name = QStringLiteral("Arial");
    double size = 10.0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    bool operator==(const PrinterFont&) const = default;
};

// The printer every printout draws on: a page with a current position in inches, a current font,
// a page counter, and operations to start a new page and to end the document.
//
// Positions are inches from the corner of the printable area, or from wherever the origin has
// been moved (AlignToPaper). Printing a text places its top-left corner at the current position;
// ending the line goes back to the left edge of the coordinates, one line lower; not ending it
// moves right by the text's width. Text measures come from the font's metrics at a fixed high
// resolution, so every implementation (paper, PDF, the test recorder) lays out alike.
class Printer {
public:
    virtual ~Printer() = default;

    double CurrentX = 0;
    double CurrentY = 0;
    PrinterFont Font;

    // The page being printed, from 1.
    int Page() const { return m_page; }

    // Width of the printable area in twips.
    int PageWidthTwips() const;

    // Width of `text` and the height of one line in the current font, in inches.
    double TextWidth(const QString& text) const;
    double TextHeight() const;

    // Prints at the current position and ends the line or not.
    void Print(const QString& text, bool endLine = true);
    // Ends the line without printing.
    void EndLine() { Print(QString(), true); }

    // Paints a picture with its top-left corner at (x, y), w by h inches.
    void PaintPicture(const QImage& picture, double x, double y, double w, double h);

    void NewPage();
    // Sends the document to its destination. Returns an empty text on success, or what went wrong
    // in words for the user. A document with nothing printed on it ends without output.
    QString EndDoc();

    // The unprintable margins of the paper, in inches.
    virtual QPointF PhysicalOffsetInches() const = 0;

    // Coordinates of the printable area's top-left corner (both 0 until moved).
    double ScaleLeft() const { return m_scaleLeft; }
    double ScaleTop() const { return m_scaleTop; }
    void SetScaleOrigin(double left, double top);

protected:
    // Whether a print command is under way (PrintCommand).
    bool InCommand() const { return m_commands > 0; }
    // The outermost print command has ended: what was held back for it can be told now.
    virtual void CommandEnded() {}

    // The page size in inches, the printable area's size, as the device reports it.
    virtual QRectF PrintableInches() const = 0;
    // Primitives at positions in inches from the printable area's corner.
    virtual void DrawText(const QString& text, QPointF topLeft, const PrinterFont& font) = 0;
    virtual void DrawPicture(const QImage& picture, QRectF target) = 0;
    virtual void StartNewPage() = 0;
    virtual QString FinishDocument() = 0;
    virtual void DiscardDocument() {}
    bool HasOutput() const { return m_output; }

private:
    friend class PrintCommand;

    QPointF ToDevice(double x, double y) const { return {x - m_scaleLeft, y - m_scaleTop}; }

    int m_page = 1;
    bool m_output = false;
    double m_scaleLeft = 0;
    double m_scaleTop = 0;
    int m_commands = 0;
};

// One print command of the user's (a button or menu item that prints), held while it runs: the
// printer keeps what it has to tell about the documents it finished (where they were saved) and
// tells it once, as one notice, when the command ends. Make it before the window goes busy, so
// that it ends after the window is usable again. Commands nest: one made while another runs
// belongs to that one, which tells for both.
class PrintCommand {
public:
    explicit PrintCommand(Printer& printer) : m_printer(printer) { ++m_printer.m_commands; }
    ~PrintCommand() {
        if (--m_printer.m_commands == 0)
            m_printer.CommandEnded();
    }
    PrintCommand(const PrintCommand&) = delete;
    PrintCommand& operator=(const PrintCommand&) = delete;

private:
    Printer& m_printer;
};

// The font as a QFont sized for `dotsPerInch` (pixel size), the way every printer measures.
class QFont;
QFont PrinterQFont(const PrinterFont& font, int dotsPerInch);

class Prompts;

// The real printer: the system's default printer, or, on a computer without one, a PDF file per
// document in `pdfFolder` (made when needed); the user is told where the files went, once per
// print command (at once for a document printed outside any).
std::unique_ptr<Printer> MakeSystemPrinter(Prompts& prompts, const QString& pdfFolder,
                                           const QString& documentName);
// The same printer writing PDF files whether or not there is a printer.
std::unique_ptr<Printer> MakePdfPrinter(Prompts& prompts, const QString& pdfFolder,
                                        const QString& documentName);
