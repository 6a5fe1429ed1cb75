#include "support/recordingprinter.h"

#include <QGuiApplication>

#include <cmath>
#include <utility>

RecordingPrinter::RecordingPrinter(QPointF physicalOffset, QSizeF paper)
    : m_offset(physicalOffset), m_paper(paper) {}

QList<RecordingPrinter::Item> RecordingPrinter::Texts() const {
    QList<Item> texts;
    for (const Item& item : m_items) {
        if (item.kind == Item::Kind::Text)
            texts << item;
    }
    return texts;
}

namespace {

QString Inches(double value) {
    QString text = QString::number(value, 'f', 6);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
}

QString FontText(const PrinterFont& font) {
    QString text = font.name + u' ' + Inches(font.size);
    for (const auto& [on, name] :
         {std::pair{font.bold, "bold"}, std::pair{font.italic, "italic"},
          std::pair{font.underline, "underline"}, std::pair{font.strikethrough, "strikethrough"}}) {
        if (on)
            text += u' ' + QLatin1String(name);
    }
    return text;
}

} // namespace

QByteArray RecordingPrinter::Listing(int document, bool fromPaperEdge) const {
    QStringList lines;
    const Item* rule = nullptr; // the first underscore of the run the last line stands for
    double ruleEnd = 0;
    int underscores = 0;
    for (const Item& item : m_items) {
        if (document != 0 && item.document != document)
            continue;
        if (item.kind == Item::Kind::Text && item.text == u'_' && rule && item.document == rule->document &&
            item.page == rule->page && item.y == rule->y && item.font == rule->font) {
            RecordingPrinter measure;
            measure.Font = item.font;
            if (std::abs(item.x - (ruleEnd + measure.TextWidth(QStringLiteral("_")))) < 1e-9) {
                ruleEnd = item.x;
                lines.last() = lines.last().left(lines.last().lastIndexOf(u'_') + 1) +
                               QStringLiteral(" x%1").arg(++underscores);
                continue;
            }
        }
        rule = nullptr;
        QString line = document != 0 ? QStringLiteral("%1 ").arg(item.page)
                                     : QStringLiteral("%1/%2 ").arg(item.document).arg(item.page);
        switch (item.kind) {
        case Item::Kind::Text:
            line += QStringLiteral("text %1 %2 %3: %4")
                        .arg(Inches(fromPaperEdge ? item.paperX : item.x),
                             Inches(fromPaperEdge ? item.paperY : item.y), FontText(item.font), item.text);
            if (item.text == u'_') {
                rule = &item;
                ruleEnd = item.x;
                underscores = 1;
                line += QStringLiteral(" x1");
            }
            break;
        case Item::Kind::Picture:
            line += QStringLiteral("picture %1 %2 %3x%4 %5x%6")
                        .arg(Inches(fromPaperEdge ? item.paperX : item.x),
                             Inches(fromPaperEdge ? item.paperY : item.y), Inches(item.width),
                             Inches(item.height))
                        .arg(item.pictureSize.width())
                        .arg(item.pictureSize.height());
            break;
        case Item::Kind::NewPage:
            line += QStringLiteral("new page");
            break;
        case Item::Kind::EndDoc:
            line += QStringLiteral("end");
            break;
        }
        lines << line;
    }
    QByteArray out;
    for (const QString& line : lines)
        out += line.toUtf8() + '\n';
    return out;
}

QRectF RecordingPrinter::PrintableInches() const {
    return {0, 0, m_paper.width() - 2 * m_offset.x(), m_paper.height() - 2 * m_offset.y()};
}

void RecordingPrinter::DrawText(const QString& text, QPointF topLeft, const PrinterFont& font) {
    Item item;
    item.kind = Item::Kind::Text;
    item.document = m_document;
    item.page = m_page;
    item.text = text;
    item.x = CurrentX;
    item.y = CurrentY;
    item.paperX = topLeft.x() + m_offset.x();
    item.paperY = topLeft.y() + m_offset.y();
    item.font = font;
    m_items << item;
}

void RecordingPrinter::DrawPicture(const QImage& picture, QRectF target) {
    Item item;
    item.kind = Item::Kind::Picture;
    item.document = m_document;
    item.page = m_page;
    item.x = target.x() + ScaleLeft();
    item.y = target.y() + ScaleTop();
    item.paperX = target.x() + m_offset.x();
    item.paperY = target.y() + m_offset.y();
    item.width = target.width();
    item.height = target.height();
    item.pictureSize = picture.size();
    m_items << item;
}

void RecordingPrinter::StartNewPage() {
    Item item;
    item.kind = Item::Kind::NewPage;
    item.document = m_document;
    item.page = m_page;
    m_items << item;
    ++m_page;
}

QString RecordingPrinter::FinishDocument() {
    Item item;
    item.kind = Item::Kind::EndDoc;
    item.document = m_document;
    item.page = m_page;
    m_items << item;
    ++m_document;
    m_page = 1;
    if (InCommand())
        ++m_commandDocuments;
    const QString error = m_failure;
    m_failure.clear();
    return error;
}

void RecordingPrinter::CommandEnded() {
    const QCursor* pointer = QGuiApplication::overrideCursor();
    const bool busy =
        (pointer && pointer->shape() == Qt::WaitCursor) || (m_watched && !m_watched->isEnabled());
    m_commands << QStringLiteral("%1 documents, %2")
                      .arg(m_commandDocuments)
                      .arg(busy ? QStringLiteral("busy") : QStringLiteral("usable"));
    m_commandDocuments = 0;
}
