// The printer on paper: the system's default printer through Qt, or a PDF file per document when
// the computer has no printer.

#include "print/printer.h"

#include "data/ansitext.h"
#include "data/folderlock.h"
#include "ui/prompts.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStringList>

#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SystemPrinter final : public Printer {
public:
    // `toPdf` empty: a PDF only when the computer has no default printer, which is asked the
    // first time something is printed or measured, not at start-up.
    SystemPrinter(Prompts& prompts, QString pdfFolder, QString documentName, std::optional<bool> toPdf)
        : m_prompts(prompts), m_pdfFolder(std::move(pdfFolder)), m_documentName(std::move(documentName)),
          m_toPdf(toPdf) {}

    QPointF PhysicalOffsetInches() const override {
        const QRectF paint = Device().pageLayout().paintRect(QPageLayout::Inch);
        return paint.topLeft();
    }

protected:
    QRectF PrintableInches() const override { return Device().pageLayout().paintRect(QPageLayout::Inch); }

    void DrawText(const QString& text, QPointF topLeft, const PrinterFont& font) override {
        if (!Begin())
            return;
        const double dpi = Device().resolution();
        const QFont f = PrinterQFont(font, Device().resolution());
        m_painter.setFont(f);
        const QFontMetricsF metrics(f, &Device());
        m_painter.drawText(QPointF(topLeft.x() * dpi, topLeft.y() * dpi + metrics.ascent()), text);
    }

    void DrawPicture(const QImage& picture, QRectF target) override {
        if (!Begin())
            return;
        const double dpi = Device().resolution();
        m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
        m_painter.drawImage(
            QRectF(target.x() * dpi, target.y() * dpi, target.width() * dpi, target.height() * dpi), picture);
    }

    void StartNewPage() override {
        if (Begin())
            Device().newPage();
    }

    QString FinishDocument() override {
        if (!m_painter.isActive()) {
            const QString error = m_error;
            EndPrinter();
            return error.isEmpty() ? QStringLiteral("The printer could not be opened.") : error;
        }
        const bool ok = m_painter.end();
        const QString file = Device().outputFileName();
        EndPrinter();
        if (!ok)
            return QStringLiteral("The printout could not be finished.");
        if (ToPdf()) {
            m_saved << file;
            if (!InCommand())
                TellSaved();
        }
        return {};
    }

    void CommandEnded() override { TellSaved(); }

    void DiscardDocument() override {
        if (m_painter.isActive())
            m_painter.end();
        EndPrinter();
    }

private:
    // A fresh QPrinter for the next document: Letter paper, the device's own margins (a quarter of
    // an inch round a PDF).
    bool ToPdf() const {
        if (!m_toPdf)
            m_toPdf = QPrinterInfo::defaultPrinter().isNull();
        return *m_toPdf;
    }

    // The QPrinter of the document under way, made when first needed: Letter paper, the
    // device's own margins (a quarter of an inch round a PDF).
    QPrinter& Device() const {
        if (m_printer)
            return *m_printer;
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setPageSize(QPageSize(QPageSize::Letter));
        m_printer->setDocName(m_documentName);
        if (ToPdf()) {
            m_printer->setOutputFormat(QPrinter::PdfFormat);
            m_printer->setPageMargins(QMarginsF(0.25, 0.25, 0.25, 0.25), QPageLayout::Inch);
        } else {
            m_printer->setPrinterName(QPrinterInfo::defaultPrinter().printerName());
        }
        return *m_printer;
    }

    // Tells the user where the documents saved since the last notice went: one by its file, more
    // by their folder and number.
    void TellSaved() {
        const QStringList saved = std::exchange(m_saved, {});
        if (saved.isEmpty())
            return;
        if (saved.size() == 1) {
            m_prompts.MsgBox(QStringLiteral("There is no printer on this computer, so the printout") + CrLf +
                                 QStringLiteral("was saved as a PDF file:") + CrLf + CrLf +
                                 QDir::toNativeSeparators(saved.first()),
                             MsgButtons::OKOnly, MsgIcon::Information, QStringLiteral("Printout Saved"));
            return;
        }
        m_prompts.MsgBox(
            QStringLiteral("There is no printer on this computer, so the %1 printouts").arg(saved.size()) +
                CrLf + QStringLiteral("were saved as PDF files in the folder:") + CrLf + CrLf +
                QDir::toNativeSeparators(QFileInfo(saved.first()).absolutePath()),
            MsgButtons::OKOnly, MsgIcon::Information, QStringLiteral("Printouts Saved"));
    }

    // The next document starts on a fresh QPrinter.
    void EndPrinter() {
        m_printer.reset();
        m_error.clear();
    }

    bool Begin() {
        if (m_painter.isActive())
            return true;
        if (ToPdf()) {
            // Printouts hold Social Security numbers and birth dates: the owner's alone.
            if (MakeOwnerOnlyFolder(m_pdfFolder) != 0) {
                m_error = QStringLiteral("The folder for printouts could not be made:") + CrLf + m_pdfFolder;
                return false;
            }
            ::chmod(QFile::encodeName(m_pdfFolder).constData(), 0700);
            // One file per document, named by the time it was printed; never over another one.
            const QString stamp =
                QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss"));
            QString path =
                QDir(m_pdfFolder)
                    .filePath(m_documentName + QStringLiteral(" ") + stamp + QStringLiteral(".pdf"));
            for (int n = 2; QFile::exists(path); ++n)
                path = QDir(m_pdfFolder)
                           .filePath(m_documentName + QStringLiteral(" ") + stamp +
                                     QStringLiteral(" (%1).pdf").arg(n));
            // Made first, owner-only whatever the umask; the printout is written into it.
            const int fd = ::open(QFile::encodeName(path).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
            if (fd >= 0) {
                ::fchmod(fd, 0600);
                ::close(fd);
            }
            Device().setOutputFileName(path);
        }
        if (!m_painter.begin(&Device())) {
            m_error = ToPdf() ? QStringLiteral("The PDF file could not be written:") + CrLf +
                                    Device().outputFileName()
                              : QStringLiteral("The printer could not be opened.");
            return false;
        }
        return true;
    }

    Prompts& m_prompts;
    QString m_pdfFolder;
    QString m_documentName;
    mutable std::optional<bool> m_toPdf;
    mutable std::unique_ptr<QPrinter> m_printer;
    QPainter m_painter;
    QString m_error;
    QStringList m_saved; // PDF files not told about yet
};

} // namespace

std::unique_ptr<Printer> MakeSystemPrinter(Prompts& prompts, const QString& pdfFolder,
                                           const QString& documentName) {
    return std::make_unique<SystemPrinter>(prompts, pdfFolder, documentName, std::nullopt);
}

std::unique_ptr<Printer> MakePdfPrinter(Prompts& prompts, const QString& pdfFolder,
                                        const QString& documentName) {
    return std::make_unique<SystemPrinter>(prompts, pdfFolder, documentName, true);
}
