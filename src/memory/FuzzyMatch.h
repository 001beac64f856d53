#pragma once

#include <QString>

namespace lng {

// How alike two texts are, from 0 to 100: one hundred less the edit distance (insertions,
// deletions and replacements of characters) per hundred characters of the longer text.
// Identical texts score 100, others at most 99. Answers 0 as soon as the score cannot reach
// `atLeast`, which keeps the work to a band around the diagonal.
int similarity(const QString &a, const QString &b, int atLeast = 0);

// `text` as HTML, its words that `reference` does not hold in the same order marked <b>.
QString markDifferingWords(const QString &reference, const QString &text);

} // namespace lng
