#pragma once

#include "core/appcontext.h"
#include "data/onebased.h"

#include <QDialog>
#include <QString>

class OrvicButton;
class QLabel;
class QLineEdit;
class QScrollBar;
class QWidget;
class WindowFade;

// Opens the address-label dialog for the highlighted employee, modal over `window`, which
// `windowFade` dims meanwhile when fades are on.
void OpenPrintLabel(AppContext& ctx, QWidget* window, WindowFade* windowFade, const QString& firstName,
                    const QString& lastName, const QString& streetAddress, const QString& cityStateZip);

// The modal dialog that prints four editable lines on one label of a sheet of address labels
// (three across, ten down), at the row and column chosen, so a partly used sheet can be fed again.
// It stays open after printing, for the same or another label.
class frmPrintLabel : public QDialog {
    Q_OBJECT

public:
    static constexpr int LineMaxLength = 35;
    static constexpr int Rows = 10;
    static constexpr int Columns = 3;

    explicit frmPrintLabel(AppContext& ctx, QWidget* parent = nullptr);

    QLabel* lblNote;
    QLabel* lblEditLines;
    OneBased<QLineEdit*, 4> txtPrintLabel;
    QLabel* lblOptionalLine;
    QLabel* lblRowColumn;
    OneBased<QScrollBar*, 2> scroll; // 1 = row, 2 = column
    OneBased<QLabel*, 2> lblPosition;
    OrvicButton* cmdPrintLabel;
    OrvicButton* cmdCancel;

    WindowFade* Fade() const { return m_fade; }

public slots:
    // Esc and the window's close box leave the way the Return button does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void Form_Activate();
    void scroll_Change(int index);
    void txtPrintLabel_GotFocus(int index);
    void txtPrintLabel_LostFocus(int index);
    void cmdPrintLabel_Click();
    void cmdCancel_Click();

    AppContext& m_ctx;
    WindowFade* m_fade;
    bool m_activated = false;
};
