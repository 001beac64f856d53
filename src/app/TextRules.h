#pragma once

#include <QString>

namespace lng {

// Removes leading and trailing space characters (U+0020) and nothing else.
inline QString trimSpaces(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == QLatin1Char(' '))
        ++start;
    while (end > start && text[end - 1] == QLatin1Char(' '))
        --end;
    return start == 0 && end == text.size() ? text : text.mid(start, end - start);
}

} // namespace lng
