#include "ui/focusorder.h"

#include <QList>
#include <QWidget>

void OrderFocus(std::initializer_list<QWidget*> blocks) {
    QList<QWidget*> order;
    for (QWidget* block : blocks) {
        // The block's own controls, in the order Tab meets them now.
        // Only what Tab stops at is ordered (a container or a control that hands the focus to
        // another is passed over); a control named earlier keeps its place there.
        const auto stop = [&order](QWidget* w) {
            return (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && !order.contains(w);
        };
        if (stop(block))
            order << block;
        for (QWidget* w = block->nextInFocusChain(); w != block; w = w->nextInFocusChain()) {
            if (block->isAncestorOf(w) && stop(w))
                order << w;
        }
    }
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}
