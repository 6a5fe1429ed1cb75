#pragma once

#include <QObject>

// Installed on the application: an Alt+key that no access key took types nothing into a text box.
// Access keys are shortcuts and have had their turn before the key reaches the box; what is left
// would otherwise be typed as a plain letter ("13/01/2020s" for Alt+S), where a desktop program
// ignores it. AltGr (Ctrl+Alt) still types.
class UnmatchedAltKeys : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
