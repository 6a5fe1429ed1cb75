#pragma once

#include <QStringList>

class QWidget;

// Checks of a window as the user sees it, for tests. Each returns one line per fault, naming the
// control by its object name: `QCOMPARE(CutTexts(w).join(u'\n'), QString())` shows what is wrong.
// Only the controls of `window` itself count (not those of dialogs it owns), and only those that
// are visible in it; show the window, and put it in the state to check, before calling.

// Texts that do not fit their control in the control's own font: labels, push buttons (two-line
// captions included), radio buttons, check boxes and line edits. A line edit is checked with its
// current text, a password box with a full-length row of its echo characters, so that what fits
// today still fits when the longest password is typed.
QStringList CutTexts(const QWidget* window);

// Access keys ("&X") that two enabled controls share: push buttons, radio buttons, check boxes
// and labels with a buddy. Keys compare without case; "&&" is a plain ampersand, not a key.
QStringList AccessKeyClashes(const QWidget* window);

// What a screen reader cannot speak, through the window's accessibility tree (as the desktop's
// accessibility bus reads it): a window not spoken as a window or dialog with its caption, a
// focusable control without a name or without a role, and two focusable controls under one
// parent with the same name.
QStringList UnspokenControls(const QWidget* window);

// Steps of the Tab key that do not follow the screen from top left to bottom right: going once
// round the window's enabled, visible controls, Tab may step back up only once (from the last to
// the first). Controls are compared as the blocks of their nearest common parent that hold them,
// so a group's controls stay together. A control that keeps the Tab key, or a Tab that leaves the
// window, is a fault too.
QStringList FocusOutOfOrder(const QWidget* window);
