#pragma once

#include "core/appcontext.h"

#include <QSize>
#include <QWidget>

class OrvicButton;
class QLabel;
class WindowFade;

// The title window: program name, version and maker, shown once at start-up.
class frmTitlePage : public QWidget {
    Q_OBJECT

public:
    explicit frmTitlePage(AppContext& ctx, QWidget* parent = nullptr);

    OrvicButton* cmdContinue;
    QLabel* labelAppTitle;
    QLabel* labelAppDescription;
    QLabel* labelVersion;
    QLabel* labelOrvicSoftware;
    QLabel* labelAddress;
    QLabel* labelEmail;
    QLabel* labelWeb;

    WindowFade* Fade() const { return m_fade; }
    // The screen size the resolution check uses; tests set one of their own.
    void SetScreenSizeForCheck(QSize pixels) { m_screenSize = pixels; }
    static QString ResolutionWarning(const QString& appTitle, int width, int height);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdContinue_Click();
    void GoOn();

    AppContext& m_ctx;
    WindowFade* m_fade;
    QSize m_screenSize;
    bool m_activated = false;
    bool m_leaving = false;
};
