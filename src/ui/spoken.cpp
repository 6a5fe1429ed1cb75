#include "ui/spoken.h"

#include <QWidget>

QString SpokenCaption(const QString& caption) {
    QString spoken;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i; // the key's mark, or the first of "&&"
        spoken += caption[i];
    }
    spoken = spoken.simplified();
    if (spoken.startsWith(u"* "))
        spoken.remove(0, 2);
    if (spoken.endsWith(u':'))
        spoken.chop(1);
    return spoken.trimmed();
}

void NameForScreenReader(QWidget* control, const QString& caption) {
    control->setAccessibleName(SpokenCaption(caption));
}
