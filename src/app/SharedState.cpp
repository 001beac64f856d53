#include "SharedState.h"

#include <QStringList>

namespace lng {

namespace {
struct CatalogueEntry {
    const char *name;
    std::int16_t field;
};

constexpr CatalogueEntry kCatalogue[] = {
    {"English", 2},    {"Danish", 4},     {"Dutch", 5},    {"Finnish", 6},     {"French", 3},
    {"German", 7},     {"Italian", 8},    {"Japanese", 9}, {"Norwegian", 10},  {"Portuguese", 11},
    {"Spanish", 12},   {"Swedish", 13},   {"Catalan", 14}, {"Chinese", 15},    {"Italian", 16},
    {"Russian", 17},   {"Czech", 18},     {"Slovak", 19},  {"[Comments]", 1},
};
static_assert(std::size(kCatalogue) == 19);
} // namespace

void LanguageCatalogue::fill()
{
    for (std::size_t slot = 0; slot < std::size(kCatalogue); ++slot) {
        LanguageNames[slot] = QString::fromLatin1(kCatalogue[slot].name);
        LanguageFieldIndex[slot] = kCatalogue[slot].field;
    }
}

std::optional<std::int16_t> LanguageCatalogue::fieldOf(const QString &name) const
{
    if (name.isEmpty())
        return std::nullopt; // empty slots name no language
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (LanguageNames[slot] == name)
            return LanguageFieldIndex[slot];
    }
    return std::nullopt;
}

QStringList LanguageCatalogue::names() const
{
    QStringList result;
    for (const QString &name : LanguageNames) {
        if (!name.isEmpty())
            result << name;
    }
    return result;
}

bool isPasswordCorrect(const QString &entry)
{
    return entry == QLatin1String(EditLockPassword);
}

const PasswordPrompt *editPromptFor(const QString &languageName)
{
    if (languageName == QLatin1String("[Comments]"))
        return &passwordPrompts::EditComments;
    if (languageName == QLatin1String("French"))
        return &passwordPrompts::EditFrench;
    if (languageName == QLatin1String("English"))
        return &passwordPrompts::EditEnglish;
    return nullptr;
}

const PasswordPrompt *recordPromptFor(const QString &languageName)
{
    if (languageName == QLatin1String("[Comments]"))
        return &passwordPrompts::RecordComments;
    if (languageName == QLatin1String("French"))
        return &passwordPrompts::RecordFrench;
    if (languageName == QLatin1String("English"))
        return &passwordPrompts::RecordEnglish;
    return nullptr;
}

} // namespace lng
