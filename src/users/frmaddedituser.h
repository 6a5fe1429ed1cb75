#pragma once

#include "core/appcontext.h"
#include "data/onebased.h"

#include <QDialog>
#include <QString>

#include <array>

class IoStatus;
class OrvicButton;
class QLabel;
class QLineEdit;
class MemoBox;
class QRadioButton;
class WindowFade;

// The modal dialog that adds a user to "User.List", or shows one and saves changes to it.
class frmAddEditUser : public QDialog {
    Q_OBJECT

public:
    static inline constexpr char AddMode[] = "Add a User";
    static inline constexpr char EditMode[] = "View/Edit this User";
    static constexpr int CommentsMaxLength = 439;

    // `mode` is AddMode or EditMode; `recordNumber` is the user shown in edit mode (add mode
    // appends). A successful save sets the Tag of `opener` to "Update".
    frmAddEditUser(AppContext& ctx, const QString& mode, qint16 recordNumber, OrvicButton* opener,
                   QWidget* parent = nullptr);

    bool IsActivated() const { return Activated; }
    bool IsAddMode() const;
    qint16 RecordNumber() const { return m_recordNumber; }
    // The sort key of the user written by the last save; empty when nothing was saved.
    QString SavedSortKey() const { return m_savedSortKey; }
    WindowFade* Fade() const { return m_fade; }

    std::array<QLabel*, 5> lblField{}; // 0 = access level, 1..4 = the boxes
    QLabel* lblMandatory;
    OneBased<QWidget*, 4> txtField; // 1..3 one-line boxes, 4 the comments
    OneBased<QRadioButton*, 4> optAccessLevel;
    QLabel* lblDateCreated;
    QLabel* lblSpaceFull;
    OrvicButton* cmdSave;
    OrvicButton* cmdCancel;

    // Esc and the close box leave the way the Cancel button does, fade included.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void Form_Activate();
    void GiveUp(const IoStatus& status);
    QLineEdit* LineBox(int index) const;
    MemoBox* CommentsBox() const;
    // The comments as the file holds them: lines joined by CR LF.
    QString StoredComments() const;

    void txtField_GotFocus(int index);
    void txtField_LostFocus(int index);
    void txtField_Change();
    void txtComments_Change();
    void optAccessLevel_Click(int index);
    void CheckComplete();
    void cmdSave_Click();
    void cmdCancel_Click();
    void Unload();

    AppContext& m_ctx;
    QString m_mode;
    qint16 m_recordNumber;
    OrvicButton* m_opener;
    WindowFade* m_fade;
    qint16 m_accessLevel = 1;
    bool Activated = false;
    bool m_loadFailed = false;
    bool m_saved = false;
    bool m_focusByMouse = false;
    QString m_savedSortKey;
};
