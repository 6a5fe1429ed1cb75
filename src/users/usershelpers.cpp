#include "users/usershelpers.h"

#include "data/ansitext.h"
#include "data/fileio.h"
#include "data/records.h"
#include "ui/prompts.h"

#include <QLinearGradient>
#include <QPainter>
#include <QWidget>

QString UserSortKey(const UserRecord& record) {
    return TrimSpaces(record.LastName()) + QLatin1Char(' ') + TrimSpaces(record.FirstName());
}

void PaintUserWindowBackdrop(QWidget* window) {
    QPainter painter(window);
    const QRect area = window->rect();

    // A pale slate-to-ivory wash: light enough that black captions and the grid stay crisp.
    QLinearGradient wash(area.topLeft(), area.bottomRight());
    wash.setColorAt(0.0, QColor(214, 226, 232));
    wash.setColorAt(0.55, QColor(236, 240, 238));
    wash.setColorAt(1.0, QColor(246, 243, 232));
    painter.fillRect(area, wash);

    // A faint diagonal weave, the tiled-paper look, drawn rather than loaded from a picture.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(120, 140, 150, 18), 1));
    const int spacing = 9;
    for (int x = -area.height(); x < area.width(); x += spacing)
        painter.drawLine(x, 0, x + area.height(), area.height());
}
