#pragma once

#include "core/appcontext.h"
#include "data/onebased.h"
#include "list/listbuilder.h"

#include <QRadioButton>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

// An option button whose caption is kept as the program words it (CR LF between two lines) and
// shown with the platform's line break.
class OptionButton : public QRadioButton {
    Q_OBJECT

public:
    OptionButton(const QString& objectName, const QString& caption, QWidget* parent);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);

private:
    QString m_caption;
};

// Page 1 of the main window's tab control: the choices that decide which employees the list
// shows and how. Nothing here is applied until the main window rebuilds the list.
class ListOptionsPage : public QWidget {
    Q_OBJECT

public:
    explicit ListOptionsPage(AppContext& ctx, QWidget* parent = nullptr);

    // frame(4) to frame(8); slots 1 to 3 belong to the main window and its record page.
    OneBased<QGroupBox*, 8> frame;
    OneBased<OptionButton*, 4> optTypeList;
    QComboBox* comboListWith;
    OneBased<OptionButton*, 2> optEmpStatus;
    OneBased<OptionButton*, 3> optSex;
    OneBased<OptionButton*, 6> optRace;
    OneBased<QLabel*, 4> lbl;
    QComboBox* comboMonth;
    QComboBox* comboYear;
    QComboBox* comboAgeGroup;
    QLineEdit* txtOther;
    QCheckBox* chkSearchNotepad;

    // The tip of the age group, disabled for a user who sees the years of birth masked.
    static const QString AgeGroupMaskedTip;

    // Fills the combos the first time it runs, offers the age group only to a user who sees the
    // years of birth, and brings the status options in line with the counts of the personnel file.
    void PrepareListOptions();

    // The list the controls ask for.
    ListQuery Query() const;

    // Back to the options that list every current employee alphabetically, so that an employee
    // just added is in the next list.
    void ResetForNewEntry();

    void optTypeList_Click(int index);
    void txtOther_Change();

private:
    void BuildControls();
    void FillCombos();

    AppContext& m_ctx;
    // The combos are filled once per main window. A flag of the page's own, rather than the
    // window's activation, so that a second call before the activation ends cannot fill them
    // twice.
    bool m_combosFilled = false;
};
