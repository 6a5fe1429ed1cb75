#pragma once

#include "core/appcontext.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QRadioButton;

// The level from which the Social Security number and the year of birth show in full, chosen by
// the administrator from the admin window's administration mode and kept with the data.
class frmSensitiveFields : public QDialog {
    Q_OBJECT

public:
    frmSensitiveFields(AppContext& ctx, QWidget* parent = nullptr);

    // The level ticked; the one in force when the dialog opened until another is ticked.
    int ChosenLevel() const;

    QLabel* lblExplain;
    QLabel* lblLost;             // shown only when the folder's rule was lost
    QRadioButton* optLevel[5]{}; // 1 to 4, as the access levels
    QDialogButtonBox* buttons;

private:
    // Writes a changed level and its user log line; stays open when the rule cannot be written.
    void Save();

    AppContext& m_ctx;
    int m_levelBefore = 1; // the level in force when the dialog opened
    bool m_lost = false;
};

// At start, before anyone signs in. A folder without a rule takes over, once, a level above 1
// that an older version kept in this computer's settings; a rule lost from a folder that had one
// is reported, and the fields are masked below the highest level until the administrator sets it.
void SettleSensitiveRule(AppContext& ctx);
