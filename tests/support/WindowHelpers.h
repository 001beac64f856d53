#pragma once

#include <QString>

class QAbstractItemView;

namespace lng::test {

// Types into the active cell of a table view as the user would: the first key opens the
// editor, Return commits it. Answers whether an editor opened.
bool typeIntoActiveCell(QAbstractItemView &view, const QString &text);

} // namespace lng::test
