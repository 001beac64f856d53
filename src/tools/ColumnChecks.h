#pragma once

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

} // namespace lng
