#pragma once

#include "core/appcontext.h"

#include <QDialog>

class OrvicButton;
class QCheckBox;
class QFrame;
class QLabel;
class SettingsStore;
class WindowFade;

// The welcome screen a new user meets between the title window and the admin window: a welcome
// line and the program overview over the tiled background, until the user asks not to see it.
class frmNewUser : public QDialog {
    Q_OBJECT

public:
    explicit frmNewUser(AppContext& ctx, QWidget* parent = nullptr);

    QLabel* lbl;
    QCheckBox* chk;
    OrvicButton* cmdContinue;
    QFrame* Shape1;

    WindowFade* Fade() const { return m_fade; }
    void cmdContinue_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void reject() override;

private:
    AppContext& m_ctx;
    WindowFade* m_fade;
    bool m_activated = false;
};


// Shows the welcome screen modal over `caller` (the title window), which dims around it with
// `callerFade` when fades are on.
void ShowWelcome(AppContext& ctx, QWidget* caller, WindowFade* callerFade);
