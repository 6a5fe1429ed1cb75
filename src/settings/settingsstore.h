#pragma once

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

// The program's own keys, all in section "Defaults" of application "Rosterly": each spelled, with
// its default and what it holds, in `Keys` only.
namespace ProgramSettings {
inline constexpr char Application[] = "Rosterly";
inline constexpr char Section[] = "Defaults";

enum class Key { AccessCode, Organization, NewUser, FadeStatus, SensitiveFieldsLevel };
enum class KeyType {
    Text,  // as it stands
    Flag,  // a number, on unless 0 (or not a number)
    Level  // an access level, 1 to 4, 1 for anything else
};
struct KeyInfo {
    Key key;
    const char* name;
    const char* defaultValue;
    KeyType type;
};
inline constexpr KeyInfo Keys[] = {
    // The admin window's access code: a random six-digit code is made when there is none.
    {Key::AccessCode, "AccessCode", "", KeyType::Text},
    // The organisation named in the main window's caption.
    {Key::Organization, "Organization", "Your Organization", KeyType::Text},
    // "NoShow" stops the welcome window at start-up.
    {Key::NewUser, "NewUser", "", KeyType::Text},
    // The window fades.
    {Key::FadeStatus, "FadeStatus", "0", KeyType::Flag},
    // Where older versions kept the access level from which the Social Security number and the
    // birth year show in full. The level is kept with the data now (data/sensitiverule.h): this
    // value is only taken over once, by a folder that has none.
    {Key::SensitiveFieldsLevel, "SensitiveFieldsLevel", "1", KeyType::Level},
};
constexpr const KeyInfo& Info(Key key) {
    return Keys[static_cast<int>(key)];
}
inline constexpr char NoShow[] = "NoShow";

// The key's text, or its default when the store has none.
QString Get(const SettingsStore& store, Key key);
void Save(SettingsStore& store, Key key, const QString& value);

// The admin window's access code; the first call on a store without one makes a random
// six-digit code and stores it.
QString AccessCode(SettingsStore& store);
QString Organization(const SettingsStore& store);
bool FadeStatus(const SettingsStore& store);
void SaveFadeStatus(SettingsStore& store, bool on);
// Whether the welcome screen is to be shown: unless "NewUser" reads exactly "NoShow".
bool WelcomeWanted(const SettingsStore& store);
int OlderSensitiveFieldsLevel(const SettingsStore& store);
} // namespace ProgramSettings
