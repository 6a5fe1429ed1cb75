#pragma once

// What the backup and restore tests share: a data folder that is the working folder, a place
// for backup folders outside it, the program's state and seams, and a window whose caption,
// enabled state and pointer are noted each time a copied file lands.
#include "backup/backuprestore.h"
#include "core/appcontext.h"
#include "core/programstate.h"
#include "data/ansitext.h"
#include "data/clock.h"
#include "data/fileio.h"
#include "data/personnelfile.h"
#include "data/records.h"
#include "settings/settingsstore.h"
#include "support/faultyfileio.h"
#include "support/recordingflow.h"
#include "support/recordingprinter.h"
#include "support/scriptedprompts.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <sys/stat.h>

inline const QString Caption = QStringLiteral("Rosterly - Test Organization");

// The real file calls, failing where armed, noting the window as each copy is renamed into place.
struct WatchingFileIo final : FaultyFileIo {
    struct Landing {
        QString name;
        QString caption;
        bool enabled = true;
        Qt::CursorShape cursor = Qt::ArrowCursor;
    };
    QPointer<QWidget> window;
    QList<Landing> landings;

    int Rename(const QString& from, const QString& to) override {
        // The history's journal and line table are put in place by a rename too; neither is a
        // file restored.
        if (window && QFileInfo(to).fileName() != HistoryJournalFileName &&
            QFileInfo(to).fileName() != HistoryLinesFileName)
            landings.append({QFileInfo(to).fileName(), window->windowTitle(), window->isEnabled(),
                             window->cursor().shape()});
        return FaultyFileIo::Rename(from, to);
    }
};

// A prompt as one line, so that a whole run compares at once and a failure shows every field.
inline QString Shown(const Prompt& p) {
    if (p.kind == Prompt::Kind::Folder)
        return QStringLiteral("folder: ") + p.text;
    return QStringLiteral("box '%1' icon %2 buttons %3 default %4: %5")
        .arg(p.title)
        .arg(int(p.icon))
        .arg(int(p.buttons))
        .arg(int(p.defaultButton))
        .arg(p.text);
}
inline QString Box(const QString& text, const QString& title, MsgIcon icon,
                   MsgButtons buttons = MsgButtons::OKOnly, MsgDefault defaultButton = MsgDefault::Button1) {
    Prompt p;
    p.text = text;
    p.title = title;
    p.icon = icon;
    p.buttons = buttons;
    p.defaultButton = defaultButton;
    return Shown(p);
}
inline QString FolderPrompt(const QString& text) {
    return QStringLiteral("folder: ") + text;
}
inline QString Plain(const QString& text) {
    return Box(text, QStringLiteral("Rosterly"), MsgIcon::None);
}

inline void WriteFile(const QString& path, const QByteArray& bytes, mode_t mode = 0600) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

inline mode_t ModeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

// A personnel file's bytes holding employees of these first names.
inline QByteArray Employees(const QStringList& firstNames) {
    QByteArray bytes;
    for (const QString& name : firstNames) {
        PersonnelRecord r;
        r.SetText(PersonnelField::FirstName, name);
        r.SetText(PersonnelField::LastName, QStringLiteral("Example"));
        bytes.append(r.data(), PersonnelRecordLength);
    }
    return bytes;
}

// Bytes that differ at every position from those of another seed, so a mixed file shows.
inline QByteArray Pattern(qsizetype size, int seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    char* at = bytes.data(); // not bytes[i]: each of those asks whether to copy the array first
    for (qsizetype i = 0; i < size; ++i)
        at[i] = char((i * 7 + seed * 13 + (i >> 9)) & 0xff);
    return bytes;
}

// Every name in the folder, hidden ones included, sorted.
inline QStringList Listing(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

struct BackupFixture {
    TempDataFolder data; // first: the data files below land in it
    QTemporaryDir config;
    QTemporaryDir elsewhere; // backup folders live here, outside the data folder
    ProgramState state;
    IniSettingsStore settings{config.path()};
    ScriptedPrompts prompts;
    FixedClock clock{QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53))};
    WatchingFileIo io;
    PersonnelFile personnel{io};
    RecordingFlow flow;
    RecordingPrinter printer;
    AppContext ctx{state, settings, prompts, clock, io, personnel, printer, flow};
    QWidget window;

    BackupFixture() {
        state.CurrentUserName = QStringLiteral("Ann Admin");
        state.CurrentAccessLevel = 4;
        window.setWindowTitle(Caption);
        window.resize(300, 200);
        window.show();
        io.window = &window;
    }

    // A new folder outside the data folder.
    QString NewFolder(const QString& name) const {
        const QString path = elsewhere.filePath(name);
        QDir().mkpath(path);
        return path;
    }

    QStringList Asked() const {
        QStringList lines;
        for (const Prompt& p : prompts.Asked())
            lines << Shown(p);
        return lines;
    }

    QStringList LandedCaptions() const {
        QStringList captions;
        for (const auto& l : io.landings)
            captions << l.caption;
        return captions;
    }

    // Each copy landed while the window took no input and showed the busy pointer.
    void VerifyBusyWhileCopying() const {
        for (const auto& l : io.landings) {
            QVERIFY2(!l.enabled, qPrintable(l.name));
            QCOMPARE(l.cursor, Qt::WaitCursor);
        }
    }

    // The window is as it was before the operation, whichever way the operation ended.
    void VerifyWindowRestored() const {
        QCOMPARE(window.windowTitle(), Caption);
        QVERIFY(window.isEnabled());
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }
};
