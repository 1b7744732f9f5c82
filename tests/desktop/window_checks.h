#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWidget>

namespace vx470::test {

// Widgets whose content does not fit: cut by their parent, or smaller than their text.
inline QStringList clippedWidgets(const QWidget* root) {
    QStringList clipped;
    const auto name = [](const QWidget* w) {
        return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                         : w->objectName();
    };
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || w->isWindow()) continue;
        const QWidget* parent = w->parentWidget();
        if (parent != nullptr && !qobject_cast<const QMdiArea*>(parent) &&
            !parent->rect().contains(w->geometry())) {
            clipped.append(name(w) + " outside " + name(parent));
        }
        const auto* button = qobject_cast<const QAbstractButton*>(w);
        if (button != nullptr && button->text().isEmpty()) {
            if (w->width() < button->iconSize().width() ||
                w->height() < button->iconSize().height()) {
                clipped.append(name(w) + " cuts its picture");
            }
        } else if (button != nullptr || qobject_cast<const QLabel*>(w)) {
            if (w->width() < w->sizeHint().width() || w->height() < w->minimumSizeHint().height()) {
                clipped.append(name(w) + " too small");
            }
        }
        if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
            QStyleOptionFrame option;
            option.initFrom(edit);
            option.lineWidth = edit->hasFrame() ? 1 : 0;
            const QMargins margins = edit->textMargins();
            const QRect room =
                edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
            const int width = room.width() - margins.left() - margins.right() - 4;
            const int height = room.height() - margins.top() - margins.bottom();
            if (edit->fontMetrics().horizontalAdvance(edit->text()) > width ||
                edit->fontMetrics().height() > height) {
                clipped.append(name(w) + " cuts \"" + edit->text() + "\"");
            }
        }
    }
    return clipped;
}

}  // namespace vx470::test
