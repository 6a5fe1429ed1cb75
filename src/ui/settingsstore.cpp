#include "ui/settingsstore.h"

#include "data/folderlock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

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

QString AccessCode(SettingsStore& store) {
    const QString application = QString::fromLatin1(Application);
    const QString section = QString::fromLatin1(Section);
    const QString key = QStringLiteral("AccessCode");
    const QString stored = store.GetSetting(application, section, key);
    if (!stored.trimmed().isEmpty())
        return stored;
    // A blank code would leave the admin window unreachable, so one is made on first use.
    const QString code = QString::number(QRandomGenerator::system()->bounded(100000, 1000000));
    store.SaveSetting(application, section, key, code);
    return code;
}

QString Organization(const SettingsStore& store) {
    return store.GetSetting(QString::fromLatin1(Application), QString::fromLatin1(Section),
                            QStringLiteral("Organization"), QString::fromLatin1(DefaultOrganization));
}

int OlderSensitiveFieldsLevel(const SettingsStore& store) {
    return SensitiveFieldsLevelFrom(store.GetSetting(QString::fromLatin1(Application),
                                                     QString::fromLatin1(Section),
                                                     QStringLiteral("SensitiveFieldsLevel")));
}

} // namespace ProgramSettings
