#include "settings/settingsstore.h"
#include "ui/fade.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace {

// The alpha a window shows, back from its opacity.
int ShownAlpha(const QWidget& window) {
    return qRound(window.windowOpacity() * 255);
}

// first, first + step, ... up to last, then `end` if that is not reached exactly.
QList<int> Steps(int first, int last, int step, int end) {
    QList<int> alphas;
    for (int a = first; step > 0 ? a <= last : a >= last; a += step)
        alphas << a;
    if (alphas.constLast() != end)
        alphas << end;
    return alphas;
}

// Records every tick of a fade: its alpha and whether the window took input at the time.
struct FadeRecorder {
    QList<int> alphas;
    QList<bool> enabledDuring;
    int endActions = 0;

    FadeRecorder(WindowFade* fade, QWidget* window) {
        QObject::connect(fade, &WindowFade::AlphaApplied, fade, [this, window](int alpha) {
            alphas << alpha;
            enabledDuring << window->isEnabled();
        });
        QObject::connect(fade, &WindowFade::EndAction, fade, [this] { ++endActions; });
    }
    bool EverEnabled() const { return enabledDuring.contains(true); }
};

// Runs the ticks of the fade by hand, with a bound so a fade that never ends fails the test.
void RunToEnd(WindowFade* fade) {
    for (int i = 0; i < 1000 && fade->IsFading(); ++i)
        fade->Tick();
    QVERIFY(!fade->IsFading());
}

// A window closing the way the program's windows do: the closing command copies the caption
// into its button's Tag when the fade's end is to move on, and the end action compares the two.
class HandOverWindow : public QWidget {
public:
    struct {
        QString Tag;
    } cmdContinue;
    QString pathTaken;
    WindowFade* fade = new WindowFade(this);

    HandOverWindow() {
        setWindowTitle(QStringLiteral("X"));
        connect(fade, &WindowFade::EndAction, this, [this] {
            pathTaken = windowTitle() == cmdContinue.Tag ? QStringLiteral("next") : QStringLiteral("exit");
        });
    }
    void cmdContinue_Click() {
        cmdContinue.Tag = windowTitle();
        fade->StartFade(255, 0, 12, true);
    }
    void cmdQuit_Click() { fade->StartFade(255, 0, 12, true); }
};

} // namespace

class tst_Fade : public QObject {
    Q_OBJECT

private slots:
    void headlessPlatformCannotFade();
    void prepareFade_data();
    void prepareFade();
    void alphaSequence_data();
    void alphaSequence();
    void afterQuitQuestion_data();
    void afterQuitQuestion();
    void restartReplacesRunningFade();
    void fadeIfDoesPlainActionWhenOff();
    void realTimer();
    void waitForFadeSurvivesWindowDestroyed();
    void focusComesBackAfterTheFade();
    void captionTagHandOver_data();
    void captionTagHandOver();
};

void tst_Fade::headlessPlatformCannotFade() {
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs on the offscreen platform");
    QVERIFY(!PlatformSupportsWindowOpacity());
}

void tst_Fade::prepareFade_data() {
    QTest::addColumn<QString>("status"); // null: no such key
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("platformCanFade");
    QTest::addColumn<bool>("prepared");

    QTest::newRow("missing") << QString() << false << true << false;
    QTest::newRow("0") << QStringLiteral("0") << false << true << false;
    QTest::newRow("not a number") << QStringLiteral("abc") << false << true << false;
    QTest::newRow("1") << QStringLiteral("1") << false << true << true;
    QTest::newRow("2") << QStringLiteral("2") << false << true << true;
    QTest::newRow("-1") << QStringLiteral("-1") << false << true << true;
    QTest::newRow("0 forced") << QStringLiteral("0") << true << true << true;
    QTest::newRow("missing forced") << QString() << true << true << true;
    QTest::newRow("1, platform cannot") << QStringLiteral("1") << false << false << false;
    QTest::newRow("forced, platform cannot") << QStringLiteral("0") << true << false << false;
}

void tst_Fade::prepareFade() {
    QFETCH(QString, status);
    QFETCH(bool, force);
    QFETCH(bool, platformCanFade);
    QFETCH(bool, prepared);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    IniSettingsStore settings(dir.path());
    if (!status.isNull())
        settings.SaveSetting(QStringLiteral("Rosterly"), QStringLiteral("Defaults"),
                             QStringLiteral("FadeStatus"), status);

    for (const int alpha : {0, 128, 255}) {
        QWidget window;
        QCOMPARE(PrepareFade(&window, quint8(alpha), force, settings, platformCanFade), prepared);
        QCOMPARE(ShownAlpha(window), prepared ? alpha : 255);
    }
}

void tst_Fade::alphaSequence_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("unload");
    QTest::addColumn<QList<int>>("alphas");
    QTest::addColumn<int>("ticks");

    QTest::newRow("fade in by 12") << 0 << 255 << 12 << false << Steps(12, 252, 12, 255) << 22;
    QTest::newRow("fade in by 5") << 0 << 255 << 5 << false << Steps(5, 255, 5, 255) << 51;
    QTest::newRow("dim") << 255 << 204 << 1 << false << Steps(254, 204, -1, 204) << 51;
    QTest::newRow("undim") << 204 << 255 << 2 << false << Steps(206, 254, 2, 255) << 26;
    QTest::newRow("close") << 255 << 0 << 12 << true << Steps(243, 3, -12, 0) << 22;
    QTest::newRow("close after quit") << 230 << 0 << 12 << true << Steps(218, 2, -12, 0) << 20;
    QTest::newRow("step past end") << 250 << 255 << 12 << false << QList<int>{255} << 1;
    QTest::newRow("start is end") << 128 << 128 << 2 << false << QList<int>{128} << 1;
}

void tst_Fade::alphaSequence() {
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, step);
    QFETCH(bool, unload);
    QFETCH(QList<int>, alphas);
    QFETCH(int, ticks);

    QWidget window;
    auto* fade = new WindowFade(&window);
    const FadeRecorder recorder(fade, &window);

    fade->StartFade(quint8(start), quint8(end), quint8(step), unload);
    QVERIFY(fade->IsFading());
    QVERIFY(window.isEnabled()); // input is cut off by the first tick, not before
    RunToEnd(fade);

    QCOMPARE(recorder.alphas, alphas);
    QCOMPARE(recorder.alphas.size(), ticks);
    QVERIFY(!recorder.EverEnabled());
    QCOMPARE(ShownAlpha(window), end);
    QCOMPARE(window.isEnabled(), !unload);
    QCOMPARE(recorder.endActions, unload ? 1 : 0);

    // A late tick after the end changes nothing.
    fade->Tick();
    QCOMPARE(recorder.alphas.size(), alphas.size());
    QCOMPARE(recorder.endActions, unload ? 1 : 0);
}

void tst_Fade::afterQuitQuestion_data() {
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("unload");
    QTest::addColumn<QList<int>>("alphas");

    QTest::newRow("No") << 255 << 2 << false << Steps(232, 254, 2, 255);
    QTest::newRow("Yes") << 0 << 12 << true << Steps(218, 2, -12, 0);
}

void tst_Fade::afterQuitQuestion() {
    QFETCH(int, end);
    QFETCH(int, step);
    QFETCH(bool, unload);
    QFETCH(QList<int>, alphas);

    QWidget window;
    auto* fade = new WindowFade(&window);
    FadeRecorder recorder(fade, &window);

    fade->StartFade(255, 217, 2, false);
    RunToEnd(fade);
    QCOMPARE(recorder.alphas, Steps(253, 217, -2, 217));
    QVERIFY(window.isEnabled());

    // The answer's fade starts from 230, not from where the dim stopped.
    recorder.alphas.clear();
    fade->StartFade(230, quint8(end), quint8(step), unload);
    RunToEnd(fade);
    QCOMPARE(recorder.alphas, alphas);
    QCOMPARE(recorder.endActions, unload ? 1 : 0);
}

void tst_Fade::restartReplacesRunningFade() {
    QWidget window;
    auto* fade = new WindowFade(&window);
    const FadeRecorder recorder(fade, &window);

    fade->StartFade(255, 0, 12, true);
    for (int i = 0; i < 3; ++i)
        fade->Tick();
    fade->StartFade(204, 255, 2, false);
    QVERIFY(!window.isEnabled());
    RunToEnd(fade);

    QCOMPARE(recorder.alphas, (QList<int>{243, 231, 219} + Steps(206, 254, 2, 255)));
    QVERIFY(!recorder.EverEnabled());
    QVERIFY(window.isEnabled());
    QCOMPARE(recorder.endActions, 0); // the replaced fade's unload went with it
}

void tst_Fade::fadeIfDoesPlainActionWhenOff() {
    QWidget window;
    auto* fade = new WindowFade(&window);
    int plainActions = 0;

    fade->FadeIf(false, 0, 255, 12, false, [&] { ++plainActions; });
    QCOMPARE(plainActions, 1);
    QVERIFY(!fade->IsFading());
    QCOMPARE(ShownAlpha(window), 255);

    fade->FadeIf(true, 255, 204, 1, false, [&] { ++plainActions; });
    QCOMPARE(plainActions, 1);
    QVERIFY(fade->IsFading());
    fade->Tick();
    QCOMPARE(ShownAlpha(window), 254);
}

void tst_Fade::realTimer() {
    QWidget window;
    auto* fade = new WindowFade(&window);
    const FadeRecorder recorder(fade, &window);
    QCOMPARE(window.findChild<QTimer*>(QStringLiteral("timerFadeInOut")), fade->findChild<QTimer*>());

    QSignalSpy ended(fade, &WindowFade::EndAction);
    fade->StartFade(230, 0, 12, true);
    QVERIFY(ended.wait(5000));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(recorder.alphas, Steps(218, 2, -12, 0));
    QVERIFY(!fade->IsFading());

    fade->StartFade(0, 255, 51, false);
    fade->WaitForFade();
    QVERIFY(!fade->IsFading());
    QCOMPARE(recorder.alphas.mid(20), Steps(51, 255, 51, 255));
    QVERIFY(window.isEnabled());

    fade->WaitForFade(); // with nothing running it returns at once
}

void tst_Fade::waitForFadeSurvivesWindowDestroyed() {
    QPointer<QWidget> window = new QWidget;
    QPointer<WindowFade> fade = new WindowFade(window);
    int ticks = 0;
    QObject::connect(fade, &WindowFade::AlphaApplied, fade, [&ticks] { ++ticks; });

    fade->StartFade(0, 255, 1, false);
    QTimer::singleShot(0, [window] { delete window; });
    fade->WaitForFade();
    QVERIFY(window.isNull());
    QVERIFY(fade.isNull());
    QVERIFY(ticks < 255);
}

void tst_Fade::focusComesBackAfterTheFade() {
    // A window that puts the focus in a box and then fades in: the fade disables the window for
    // its length, and the box must have the focus again once the window takes input.
    QWidget window;
    new QLineEdit(&window);
    auto* second = new QLineEdit(&window);
    second->move(0, 40);
    auto* fade = new WindowFade(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    second->setFocus();
    QCOMPARE(window.focusWidget(), second);

    fade->StartFade(0, 255, 51, false);
    fade->Tick();
    QVERIFY(!window.isEnabled());
    QVERIFY(!second->hasFocus());
    RunToEnd(fade);
    QVERIFY(window.isEnabled());
    QCOMPARE(window.focusWidget(), second);
    QVERIFY(second->hasFocus());
}

void tst_Fade::captionTagHandOver_data() {
    QTest::addColumn<bool>("continueCommand");
    QTest::addColumn<QString>("path");

    QTest::newRow("continue") << true << QStringLiteral("next");
    QTest::newRow("quit") << false << QStringLiteral("exit");
}

void tst_Fade::captionTagHandOver() {
    QFETCH(bool, continueCommand);
    QFETCH(QString, path);

    HandOverWindow window;
    if (continueCommand)
        window.cmdContinue_Click();
    else
        window.cmdQuit_Click();
    QVERIFY(window.pathTaken.isEmpty()); // nothing happens before the fade has ended
    RunToEnd(window.fade);
    QCOMPARE(window.pathTaken, path);
}

QTEST_MAIN(tst_Fade)
#include "tst_fade.moc"
