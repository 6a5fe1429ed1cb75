#include "settings/settingsstore.h"

#include "data/folderlock.h"
#include "data/sensitive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <iterator>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SettingKey(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}

} // namespace

IniSettingsStore::IniSettingsStore(QString configFolder) : m_folder(std::move(configFolder)) {
    if (m_folder.isEmpty())
        m_folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString IniSettingsStore::FilePath(const QString& application) const {
    return QDir(m_folder).filePath(application + QLatin1Char('/') + application + QStringLiteral(".ini"));
}

QString IniSettingsStore::GetSetting(const QString& application, const QString& section, const QString& key,
                                     const QString& defaultValue) const {
    const QSettings settings(FilePath(application), QSettings::IniFormat);
    const QVariant value = settings.value(SettingKey(section, key));
    if (!value.isValid())
        return defaultValue;
    // QSettings quotes the texts it writes, but an unquoted comma in a hand-edited file reads
    // back as a list, its items stripped of the blanks around them; the setting is one text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void IniSettingsStore::SaveSetting(const QString& application, const QString& section, const QString& key,
                                   const QString& value) {
    // The file holds the access code: its folder and itself are the owner's alone, whatever the
    // umask, before anything is written into it (the settings keep the mode of the file they
    // replace). The folders above it that are made here are closed too, before QSettings would
    // make them open to all.
    const QString path = FilePath(application);
    const QString folder = QFileInfo(path).path();
    MakeOwnerOnlyFolder(folder);
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(SettingKey(section, key), value);
    settings.sync();
    ::chmod(QFile::encodeName(path).constData(), 0600);
}

namespace ProgramSettings {

static_assert(std::size(Keys) == static_cast<int>(Key::SensitiveFieldsLevel) + 1);

QString Get(const SettingsStore& store, Key key) {
    const KeyInfo& info = Info(key);
    return store.GetSetting(QString::fromLatin1(Application), QString::fromLatin1(Section),
                            QString::fromLatin1(info.name), QString::fromLatin1(info.defaultValue));
}

void Save(SettingsStore& store, Key key, const QString& value) {
    store.SaveSetting(QString::fromLatin1(Application), QString::fromLatin1(Section),
                      QString::fromLatin1(Info(key).name), value);
}

QString AccessCode(SettingsStore& store) {
    const QString stored = Get(store, Key::AccessCode);
    if (!stored.trimmed().isEmpty())
        return stored;
    // A blank code would leave the admin window unreachable, so one is made on first use.
    const QString code = QString::number(QRandomGenerator::system()->bounded(100000, 1000000));
    Save(store, Key::AccessCode, code);
    return code;
}

QString Organization(const SettingsStore& store) {
    return Get(store, Key::Organization);
}

bool FadeStatus(const SettingsStore& store) {
    static_assert(Info(Key::FadeStatus).type == KeyType::Flag);
    bool ok = false;
    const double number = Get(store, Key::FadeStatus).trimmed().toDouble(&ok);
    return ok && number != 0;
}

void SaveFadeStatus(SettingsStore& store, bool on) {
    Save(store, Key::FadeStatus, on ? QStringLiteral("1") : QStringLiteral("0"));
}

bool WelcomeWanted(const SettingsStore& store) {
    return Get(store, Key::NewUser) != QLatin1String(NoShow);
}

int OlderSensitiveFieldsLevel(const SettingsStore& store) {
    static_assert(Info(Key::SensitiveFieldsLevel).type == KeyType::Level);
    return SensitiveFieldsLevelFrom(Get(store, Key::SensitiveFieldsLevel));
}

} // namespace ProgramSettings
