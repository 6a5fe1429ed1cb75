#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QEvent>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <utility>

// Runs a helper that checks with QCOMPARE/QVERIFY and leaves the test when it failed.
#define CHECKED(call)                                                                                        \
    do {                                                                                                     \
        call;                                                                                                \
        if (QTest::currentTestFailed())                                                                      \
            return;                                                                                          \
    } while (false)

// A temporary folder that is the current working directory while the object lives, since the
// program keeps its data files in the working directory. The previous one is restored after.
class TempDataFolder {
public:
    TempDataFolder();
    ~TempDataFolder();
    TempDataFolder(const TempDataFolder&) = delete;
    TempDataFolder& operator=(const TempDataFolder&) = delete;

    bool IsValid() const { return m_dir.isValid(); }
    QString Path() const { return m_dir.path(); }
    QString FilePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// The whole file, or empty when it cannot be read.
QByteArray ReadFileBytes(const QString& path);
// Writes `bytes` as the whole file.
void WriteFileBytes(const QString& path, const QByteArray& bytes);

// Runs `seen` on every window of type W at the moment it is shown, for as long as the watch lives.
template <typename W> class ShowWatch : public QObject {
public:
    explicit ShowWatch(std::function<void(W*)> seen) : m_seen(std::move(seen)) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~ShowWatch() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* window = qobject_cast<W*>(watched))
                m_seen(window);
        }
        return false;
    }

private:
    std::function<void(W*)> m_seen;
};
