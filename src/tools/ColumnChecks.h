#pragma once

#include <QString>

#include <cstdint>

namespace lng {

class Workbench;

inline constexpr std::uint32_t FirstLetterMismatchColour = 10774777; // 0xA468F9, a pink
inline constexpr std::uint32_t WholeStringMismatchColour = 255;      // 0x0000FF, pure red

// Counts the rows that have a message number and an empty cell in the current column.
void CountBlankRows(Workbench &bench);
// Moves to the next row, from the active one on and wrapping to the top, whose cell in the
// current column is empty or holds only spaces.
void FindNextBlankRow(Workbench &bench);
// Colours the edited-language cells whose letter case differs from the second language:
// pink for the first letter, red for the whole string. Only while the table is unlocked.
void CheckLetterCase(Workbench &bench);

void bindColumnChecks(Workbench &bench);

// The letter-case rule of one pass: whether the edited text's case differs from the reference
// the second-language text gives (upper when it has no lower-case letters, lower when it has
// no upper-case ones, none when it mixes both). The first-letter pass compares the first
// characters, the whole-string pass the whole texts; empty or all-space edited texts pass.
enum class CasePass { FirstLetter, WholeString };
bool caseDiffers(CasePass pass, const QString &second, const QString &edited);
// The text a pass compares: the first character (a space for an empty text), or all of it.
QString casePassText(CasePass pass, const QString &text);

} // namespace lng
