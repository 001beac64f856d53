#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace lng {

// The language catalogue: 31 slots, 19 of them filled at start-up. "Italian" stands twice
// (fields 8 and 16); a lookup by name always takes the first equal slot.
struct LanguageCatalogue {
    static constexpr int SlotCount = 31;

    std::array<QString, SlotCount> LanguageNames;
    std::array<std::int16_t, SlotCount> LanguageFieldIndex {};

    void fill();
    // Field ordinal of the first slot whose name equals `name` exactly; nullopt when none does.
    std::optional<std::int16_t> fieldOf(const QString &name) const;
    // Every filled name, in slot order.
    QStringList names() const;
};

// Everything the windows share, for the whole run. One thread: no locking.
struct SharedState {
    LanguageCatalogue catalogue;

    std::int16_t SecondLanguageField = 0;
    std::int16_t EditedLanguageField = 0;
    QString SecondLanguageName;
    QString EditedLanguageName;

    bool IsModified = false;
    bool IsUnlocked = false;
    bool IsPasswordGiven = false;

    QString SettingsResult;
    QString LastSearchText;
};

// The edit-lock password; an entry is accepted only when it is exactly this text.
inline constexpr const char *EditLockPassword = "PLX4MOTE";
bool isPasswordCorrect(const QString &entry);

// An input box that asks for the edit-lock password.
struct PasswordPrompt {
    const char *caption;
    const char *prompt;
};

namespace passwordPrompts {
inline constexpr PasswordPrompt Unlock {"Unlock?", "Enter password to unlock:"};
inline constexpr PasswordPrompt EditComments {"Password?", "Enter password to edit Comments:"};
inline constexpr PasswordPrompt EditFrench {"Password?", "Enter password to edit French texts:"};
inline constexpr PasswordPrompt EditEnglish {"Password?", "Enter password to edit English texts:"};
inline constexpr PasswordPrompt RecordComments {"Password?", "Enter password to record Comments:"};
inline constexpr PasswordPrompt RecordFrench {"Password?", "Enter password to record French texts:"};
inline constexpr PasswordPrompt RecordEnglish {"Password?", "Enter password to record English texts:"};
} // namespace passwordPrompts

// The guarded languages: editing them in the settings dialog, or recording them at a save,
// asks for the password. Returns nullptr for a language that needs none.
const PasswordPrompt *editPromptFor(const QString &languageName);
const PasswordPrompt *recordPromptFor(const QString &languageName);

} // namespace lng
