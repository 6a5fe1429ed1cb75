#pragma once

#include "core/appcontext.h"
#include "data/onebased.h"
#include "records/recordboxes.h"

#include <QGroupBox>
#include <QString>

#include <array>

class OrvicButton;
class PictureBox;
class PersonnelRecord;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class TabControl;
class WindowFade;

// The record page beside the employee list (frame(2) of the main window): the fields of one
// employee on five tabs. It shows the record of the highlighted row, and its boxes double as the
// entry form while an employee is added or edited.
class RecordPage : public QGroupBox {
    Q_OBJECT

public:
    // `windowFade` dims the main window while the large picture view is up.
    RecordPage(AppContext& ctx, WindowFade* windowFade, QWidget* parent = nullptr);

    // The boxes, their fields and places are the rows of RecordBoxes (records/recordboxes.h).
    static constexpr int BoxCount = RecordBoxCount;
    static constexpr int NotepadBox = BoxOfField(PersonnelField::Notepad);
    static constexpr int NotepadLength = RecordBoxRow(NotepadBox).maxLength;
    // The boxes Save waits for: first and last name, race, sex, birth and employment dates.
    static constexpr auto RequiredBoxes = RequiredRecordBoxes;
    static constexpr int FrameWidth = 3480; // the picture frame on the "Photo" tab, in twips
    static constexpr int FrameHeight = 2535;

    TabControl* tabNameInfo;
    QGroupBox* frame3; // " In Case of Emergency "
    // Every box but the last is a one-line box; the last, the notepad, is txtNotepad.
    OneBased<QLineEdit*, BoxCount - 1> txtField;
    QPlainTextEdit* txtNotepad;
    OneBased<QLabel*, BoxCount> lblField;
    QLabel* lblYearsDOB;
    QLabel* lblYearsDOE;
    QLabel* lblYearsDOT;
    QLabel* lblYearsDOI;
    OneBased<QLabel*, 2> lblDataInfo;
    OneBased<QRadioButton*, 2> optStatus;
    QLabel* imgNotePad;
    QLabel* lblSpaceFull;
    PictureBox* imgPicture;
    QLabel* lblPicture;
    OrvicButton* cmdPrintLabel;
    OrvicButton* cmdEmail;
    OneBased<OrvicButton*, 2> cmdPicAddEdit;
    OrvicButton* cmdPicPrint;
    OrvicButton* cmdPicDelete;

    // Box n (1..22) as a widget, its text, and setting its text.
    QWidget* Box(int n) const;
    QString FieldText(int n) const;
    // The text of the box that shows `field`.
    QString FieldText(PersonnelField field) const { return FieldText(BoxOfField(field)); }
    void SetFieldText(int n, const QString& text);
    bool IsLocked() const { return m_locked; }
    // Whether box n shows its field masked to this user (data/sensitive.h): the Social Security
    // number or the date of birth of a shown employee, when they hold a value. A masked box is
    // never stored or checked; while editing it stays read-only.
    bool IsMasked(int n) const;

    // Reads record `recordNumber` and fills every box, label and button; `heading` is the name
    // the list shows for the employee (the large picture view's heading). A picture that will
    // not load is reported once and its path cleared from the record.
    void ShowRecord(qint32 recordNumber, const QString& heading);
    qint32 ShownRecord() const { return m_recordNumber; }

    // Opens the boxes for input (emptied when adding) and closes them again.
    void BeginInput(bool adding);
    void EndInput();
    bool Adding() const { return m_adding; }
    bool InInput() const { return m_input; }

    // Puts the focus in the first box of the tab showing; `editing` picks the editing rule,
    // which starts the "Job Info" tab at the date of employment.
    void FocusFirstBox(bool editing);

    // Whether every box Save waits for holds something other than spaces.
    bool RequiredBoxesFilled() const;

    // Checks the entry box by box and reports the first fault, then shows the box at fault and
    // puts the focus in it. A character the file cannot hold is a fault of every text box; race
    // and sex are upper-cased and trimmed in their boxes on the way. `editing` adds the
    // inactivation date.
    bool ValidateEntry(bool editing);

    // Stores the boxes (and the picture's path) into `record`, every field but the four dates
    // kept by the record itself and InactivationDate, which the caller decides.
    void StoreInto(PersonnelRecord& record) const;
    // The date typed in box `n`, read as the checks read it; 0 when the box holds none.
    double TypedDate(int n) const;

    // Picture commands of the "Photo" tab.
    void cmdPicAddEdit_Click();
    void cmdPicDelete_Click();
    void cmdPicPrint_Click();
    // Opens the large picture view; `printAtOnce` prints the picture and closes it again.
    void ViewPicture(bool printAtOnce);
    void cmdEmail_Click();

    // The fill indicator of the notepad.
    void UpdateSpaceFull();

signals:
    // A box changed during input.
    void InputChanged();
    // A status option was clicked during input.
    void StatusClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void tabNameInfo_Click();
    void ResetPicture();
    // The empty picture frame with "Picture Frame" and "Add a Picture".
    void ShowEmptyFrame();
    void ReportMissingPicture(const QString& path);
    void LayOutPicture();
    void ShowPictureButtons(bool hasPicture);
    void SetRequiredCaptionsRed(bool red);
    void txtField_MouseMove(int n);
    // Why a masked box cannot be changed, naming the access level that shows it in full.
    QString MaskedBoxTip() const;
    bool Validate(bool ok, const QString& message);
    // The caption of box n as it stands outside input.
    QString BoxCaption(int n) const;
    // Box n as a message names it: "'First Name' box", with the frame for the emergency contact.
    QString BoxInMessage(int n) const;
    // Shows the tab holding box n and puts the focus in it.
    void ShowBox(int n);
    // Reads the shown employee's record, lets `change` alter it and writes it back.
    bool RewriteShownRecord(const std::function<void(PersonnelRecord&)>& change);

    AppContext& m_ctx;
    WindowFade* m_windowFade;
    qint32 m_recordNumber = 0;
    QString m_heading;
    bool m_locked = true;
    bool m_input = false;
    bool m_adding = false;
    QString m_lblField1Tag;
    // What the shown employee's masked boxes are, and the setting's level when they were shown.
    bool m_ssnMasked = false;
    bool m_birthMasked = false;
    int m_sensitiveLevel = 1;
    QString m_maskedTip; // the tip the masked boxes were given for this input
    bool m_maskedTold = false; // the tip was shown for a key in the masked box that has the focus
    OneBased<QString, BoxCount> m_boxTag;
};
