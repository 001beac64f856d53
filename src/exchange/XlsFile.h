#pragma once

#include "grid/Sheet.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace lng {

// Excel 97-2003 workbooks (BIFF8 in an OLE2 compound file) for the exchange grid: the first
// sheet's numbers and texts, nothing else.
class XlsCodec : public WorkbookCodec {
public:
    // The most characters a cell holds; longer texts are cut when written, as every
    // spreadsheet program cuts them.
    static constexpr int MaxTextLength = 32767;
    // The warning for texts longer than that, naming their messages.
    static QString longTextWarning(const QStringList &messages);

    // Replaces `into` with the first sheet of the workbook; `into` is untouched on failure.
    bool read(const QString &path, Sheet &into, QString *error) const override;
    // Writes `from` as a one-sheet workbook, replacing the file as a whole.
    bool write(const QString &path, const Sheet &from, QString *error) const override;

    // The BIFF8 "Workbook" stream for a sheet (what write() puts into the compound file).
    static QByteArray workbookStream(const Sheet &from);
};

} // namespace lng
