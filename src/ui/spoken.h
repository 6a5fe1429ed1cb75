#pragma once

#include <QString>

class QWidget;

// What a screen reader speaks for a control: the caption as the window shows it, without the
// access key's '&' ("&&" is a plain ampersand), the "* " that marks a required entry, line breaks
// and the blanks around it, and a closing ':'.
QString SpokenCaption(const QString& caption);

// Names `control` for a screen reader by the caption the window shows for it.
void NameForScreenReader(QWidget* control, const QString& caption);
