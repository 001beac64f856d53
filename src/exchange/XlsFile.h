#pragma once

#include "grid/Sheet.h"

#include <QByteArray>
#include <QString>

namespace lng {

// Excel 97-2003 workbooks (BIFF8 in an OLE2 compound file) for the exchange grid: the first
// sheet's numbers and texts, nothing else.
class XlsCodec : public WorkbookCodec {
public:
    // Texts up to this length come back whole from the reader; longer ones may not.
    static constexpr int SafeTextLength = 8000;

    // Replaces `into` with the first sheet of the workbook; `into` is untouched on failure.
    bool read(const QString &path, Sheet &into, QString *error) const override;
    // Writes `from` as a one-sheet workbook, replacing the file as a whole.
    bool write(const QString &path, const Sheet &from, QString *error) const override;

    // The BIFF8 "Workbook" stream for a sheet (what write() puts into the compound file).
    static QByteArray workbookStream(const Sheet &from);
};

} // namespace lng
