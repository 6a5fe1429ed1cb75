#include "support/recordingprinter.h"

#include <QGuiApplication>

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
