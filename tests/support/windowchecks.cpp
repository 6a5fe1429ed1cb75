#include "support/windowchecks.h"

#include "ui/orvicbutton.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTest>
#include <QTextDocument>
#include <QWidget>

#include <cmath>

namespace {

// The controls that belong to `window` itself and are shown in it.
template <typename T> QList<T*> ShownControls(const QWidget* window) {
    QList<T*> shown;
    for (T* w : window->findChildren<T*>()) {
        if (w->window() == window && w->isVisibleTo(window))
            shown << w;
    }
    return shown;
}

QString Shown(const QString& text) {
    QString oneLine = text;
    oneLine.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return QLatin1Char('"') + oneLine + QLatin1Char('"');
}

QString Fault(const QWidget* w, const QString& text, QSizeF needed, QSize room) {
    return QStringLiteral("%1 %2: needs %3x%4, has %5x%6")
        .arg(w->objectName(), Shown(text))
        .arg(std::ceil(needed.width()))
        .arg(std::ceil(needed.height()))
        .arg(room.width())
        .arg(room.height());
}

bool Fits(QSizeF needed, QSize room) {
    // Text metrics are fractional; a text that fills its room to the last pixel still shows whole.
    return std::ceil(needed.width()) <= room.width() && std::ceil(needed.height()) <= room.height();
}

void CheckLabel(const QLabel* label, QStringList& faults) {
    QString text = label->text();
    if (text.isEmpty())
        return;
    if (label->textFormat() == Qt::RichText ||
        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
        QTextDocument document;
        document.setHtml(text);
        text = document.toPlainText();
    }
    QRect room =
        label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
    if (label->indent() > 0)
        room.setWidth(room.width() - label->indent());
    int flags = int(label->alignment());
    if (label->wordWrap())
        flags |= Qt::TextWordWrap;
    // Without a buddy a label shows "&" as it is.
    if (label->buddy())
        flags |= Qt::TextShowMnemonic;
    const QFontMetricsF fm(label->font());
    const qreal layoutWidth = label->wordWrap() ? room.width() : 1e6;
    const QSizeF needed = fm.boundingRect(QRectF(0, 0, layoutWidth, 1e6), flags, text).size();
    if (!Fits(needed, room.size()))
        faults << Fault(label, label->text(), needed, room.size());
}

// The program's own buttons wrap their captions in their caption box, which their layout centres
// in the room it leaves. Measured as drawn: laid out in that box as the button paints it, the
// caption must fit the box (or it wraps onto a line the box has no room for) and the room.
void CheckOrvicButton(const OrvicButton* button, QStringList& faults) {
    const QRect room = button->CaptionRoom();
    const QRect box = button->CaptionBox();
    const QSize drawn = CaptionLayout(button->text(), button->font(), box.width(), button).Size();
    if (!Fits(drawn, room.size()))
        faults << Fault(button, button->text(), drawn, room.size());
    else if (!Fits(drawn, box.size()))
        faults << Fault(button, button->text(), drawn, box.size()) + QStringLiteral(" (its caption box)");
}

void CheckButton(const QAbstractButton* button, QStringList& faults) {
    if (button->text().isEmpty())
        return;
    if (const auto* own = qobject_cast<const OrvicButton*>(button)) {
        CheckOrvicButton(own, faults);
        return;
    }
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QRadioButton*>(button)) {
        contents = QStyle::SE_RadioButtonContents;
    } else if (qobject_cast<const QCheckBox*>(button)) {
        contents = QStyle::SE_CheckBoxContents;
    } else if (const auto* push = qobject_cast<const QPushButton*>(button)) {
        if (push->autoDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        if (push->isDefault())
            option.features |= QStyleOptionButton::DefaultButton;
        if (push->isFlat())
            option.features |= QStyleOptionButton::Flat;
    } else {
        return; // tool buttons and the like draw their text in their own ways
    }
    const QRect room = button->style()->subElementRect(contents, &option, button);
    // A caption of two lines is measured line by line, the access key's "&" left out.
    const QSizeF needed = QFontMetricsF(button->font()).size(Qt::TextShowMnemonic, button->text());
    if (!Fits(needed, room.size()))
        faults << Fault(button, button->text(), needed, room.size());
}

void CheckLineEdit(const QLineEdit* edit, QStringList& faults) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;

    QString text = edit->text();
    if (edit->echoMode() == QLineEdit::NoEcho)
        return;
    if (edit->echoMode() != QLineEdit::Normal) {
        const auto echo =
            QChar(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, edit));
        constexpr int Unlimited = 32767; // a line edit's own default
        text = QString(edit->maxLength() < Unlimited ? edit->maxLength() : text.size(), echo);
    }
    if (text.isEmpty())
        return;

    // As the box lays out its line: the style's contents, less the text margins, less the box's own
    // two pixels a side; the text cursor takes one more.
    constexpr int HorizontalMargin = 2;
    QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    room = room.marginsRemoved(edit->textMargins());
    room.setWidth(room.width() - 2 * HorizontalMargin);
    const QFontMetricsF fm(edit->font());
    const QSizeF needed(fm.horizontalAdvance(text) + 1, fm.height());
    if (!Fits(needed, room.size()))
        faults << Fault(edit, text, needed, room.size());
}

// The key a text marks with "&", lower-cased; null when it marks none.
QChar AccessKey(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return {};
}

} // namespace

QStringList CutTexts(const QWidget* window) {
    QStringList faults;
    for (const QLabel* label : ShownControls<QLabel>(window))
        CheckLabel(label, faults);
    for (const QAbstractButton* button : ShownControls<QAbstractButton>(window))
        CheckButton(button, faults);
    for (const QLineEdit* edit : ShownControls<QLineEdit>(window))
        CheckLineEdit(edit, faults);
    return faults;
}

QStringList AccessKeyClashes(const QWidget* window) {
    QMap<QChar, QStringList> owners;
    const auto note = [&owners, window](const QWidget* w, const QString& text) {
        const QChar key = AccessKey(text);
        if (!key.isNull() && w->isEnabledTo(window))
            owners[key] << w->objectName() + QLatin1Char(' ') + Shown(text);
    };
    for (const QAbstractButton* button : ShownControls<QAbstractButton>(window))
        note(button, button->text());
    for (const QLabel* label : ShownControls<QLabel>(window)) {
        if (label->buddy())
            note(label, label->text());
    }

    QStringList clashes;
    for (auto it = owners.cbegin(); it != owners.cend(); ++it) {
        if (it.value().size() > 1)
            clashes << QStringLiteral("Alt+%1: %2")
                           .arg(it.key().toUpper(), it.value().join(QStringLiteral(", ")));
    }
    return clashes;
}

namespace {

QString Describe(QAccessibleInterface* a) {
    const QObject* o = a->object();
    return o && !o->objectName().isEmpty() ? o->objectName()
                                           : QStringLiteral("a %1 of %2")
                                                 .arg(QString::fromLatin1(o ? o->metaObject()->className() : "child"),
                                                      a->parent() && a->parent()->object()
                                                          ? a->parent()->object()->objectName()
                                                          : QString());
}

void Walk(QAccessibleInterface* a, QStringList& faults) {
    QHash<QString, QString> named; // name -> the first sibling so named
    for (int i = 0; i < a->childCount(); ++i) {
        QAccessibleInterface* c = a->child(i);
        if (!c || c->state().invisible)
            continue;
        // A table's cells repeat their values and are reached through the table.
        const bool cell = c->role() == QAccessible::Cell || c->role() == QAccessible::ColumnHeader ||
                          c->role() == QAccessible::RowHeader;
        // A control that hands its focus to another (a tab control to its tab bar) is reached
        // through that one.
        const auto* widget = qobject_cast<const QWidget*>(c->object());
        const bool handsOn = widget && widget->focusProxy();
        if (c->state().focusable && !cell && !handsOn) {
            const QString name = c->text(QAccessible::Name).trimmed();
            if (name.isEmpty())
                faults << Describe(c) + QStringLiteral(": no name");
            if (c->role() == QAccessible::NoRole || c->role() == QAccessible::Client ||
                c->role() == QAccessible::Pane)
                faults << Describe(c) + QStringLiteral(": no role");
            if (!name.isEmpty() && named.contains(name))
                faults << QStringLiteral("%1, %2: both named \"%3\"").arg(named[name], Describe(c), name);
            named.insert(name, Describe(c));
        }
        Walk(c, faults);
    }
}

} // namespace

QStringList UnspokenControls(const QWidget* window) {
    QStringList faults;
    if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(const_cast<QWidget*>(window))) {
        if (a->role() != QAccessible::Window && a->role() != QAccessible::Dialog)
            faults << window->objectName() + QStringLiteral(": not spoken as a window");
        if (a->text(QAccessible::Name).isEmpty())
            faults << window->objectName() + QStringLiteral(": no name");
        Walk(a, faults);
    }
    return faults;
}

namespace {

// The control under `ancestor` that holds `w` (w itself when it is a child of `ancestor`).
const QWidget* ChildHolding(const QWidget* ancestor, const QWidget* w) {
    while (w && w->parentWidget() != ancestor)
        w = w->parentWidget();
    return w;
}

// Whether `b` reads before `a` on the screen, compared as the two blocks of their nearest common
// parent that hold them: a block wholly above the other reads first, and of two blocks side by
// side (sharing some height) the left one.
bool ReadsBefore(const QWidget* b, const QWidget* a) {
    const QWidget* common = a->parentWidget();
    while (common && !common->isAncestorOf(b))
        common = common->parentWidget();
    const QRect ra = ChildHolding(common, a)->geometry();
    const QRect rb = ChildHolding(common, b)->geometry();
    if (rb.bottom() < ra.top())
        return true;
    if (ra.bottom() < rb.top())
        return false;
    return rb.right() < ra.left();
}

} // namespace

QStringList FocusOutOfOrder(const QWidget* shown) {
    // The controls Tab reaches, in its order, once round from the first that takes the focus:
    // found by pressing Tab, so that what the controls do with the key counts.
    auto* window = const_cast<QWidget*>(shown);
    QWidget* first = window->nextInFocusChain();
    while (first != window && !(first->window() == window && first->isVisible() && first->isEnabled() &&
                                (first->focusPolicy() & Qt::TabFocus)))
        first = first->nextInFocusChain();
    if (first == window)
        return {};
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return {window->objectName() + QStringLiteral(": cannot be made the active window")};
    QWidget* const before = QApplication::focusWidget();
    first->setFocus(Qt::TabFocusReason);
    QList<const QWidget*> chain{QApplication::focusWidget()};
    for (int presses = 0; presses < 300; ++presses) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == chain.first())
            break;
        if (QApplication::focusWidget() == chain.last())
            return {chain.last()->objectName() + QStringLiteral(": Tab stays in it")};
        chain << QApplication::focusWidget();
    }
    if (before)
        before->setFocus(Qt::OtherFocusReason);
    // Going once round the window, Tab steps back up the screen once: from the last control to
    // the first. Every other step back is out of order.
    QStringList faults;
    for (qsizetype i = 0; i < chain.size(); ++i) {
        const QWidget* from = chain[i];
        const QWidget* to = chain[(i + 1) % chain.size()];
        if (!to || !from || to->window() != window)
            return {QStringLiteral("Tab leaves the window or loses the focus after ") +
                    (from ? from->objectName() : QStringLiteral("nothing"))};
        if (ReadsBefore(to, from))
            faults << from->objectName() + QStringLiteral(" -> ") + to->objectName() +
                          QStringLiteral(": Tab goes back up the screen");
    }
    if (faults.size() == 1)
        faults.clear();
    return faults;
}
