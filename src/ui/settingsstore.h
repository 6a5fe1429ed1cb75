#pragma once

#include "data/sensitive.h"

#include <QString>

// The per-user settings store: texts by application, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString GetSetting(const QString& application, const QString& section, const QString& key,
                               const QString& defaultValue = {}) const = 0;
    virtual void SaveSetting(const QString& application, const QString& section, const QString& key,
                             const QString& value) = 0;
};

// INI files "<application>/<application>.ini" under a configuration folder: by default the
// user's ($XDG_CONFIG_HOME, else ~/.config); tests pass a temporary folder.
class IniSettingsStore final : public SettingsStore {
public:
    explicit IniSettingsStore(QString configFolder = {});
    QString GetSetting(const QString& application, const QString& section, const QString& key,
                       const QString& defaultValue = {}) const override;
    void SaveSetting(const QString& application, const QString& section, const QString& key,
                     const QString& value) override;
    QString FilePath(const QString& application) const;

private:
    QString m_folder;
};

// The program's own keys, all in section "Defaults" of application "Rosterly".
namespace ProgramSettings {
inline constexpr char Application[] = "Rosterly";
inline constexpr char Section[] = "Defaults";

// The admin window's access code; the first call on a store without one makes a random
// six-digit code and stores it.
QString AccessCode(SettingsStore& store);
// The organisation named in the main window's caption.
QString Organization(const SettingsStore& store);
inline constexpr char DefaultOrganization[] = "Your Organization";
// "SensitiveFieldsLevel", where older versions kept the access level from which the Social
// Security number and the birth year show in full; 1 when missing or invalid. The level is kept
// with the data now (data/sensitiverule.h): this value is only taken over once, by a folder that
// has none.
int OlderSensitiveFieldsLevel(const SettingsStore& store);
} // namespace ProgramSettings
