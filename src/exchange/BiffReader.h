#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace lng {

// One cell of a workbook's first sheet, rows and columns counted from 1.
struct WorkbookCell {
    int row = 0;
    int col = 0;
    bool isNumber = false;
    double number = 0;
    QString text;
};

// Reads the values of the first worksheet of an Excel 97-2003 workbook: the bytes of the whole
// file (an OLE2 compound file holding a BIFF8 "Workbook" stream). Every length and offset is
// checked against the bytes it points into, so no file, however damaged, reads out of bounds;
// every loop moves forward, so none hangs. A failure says what is wrong with the file
// (not a workbook, truncated, damaged at record N, a formula cell) and leaves `cells` empty.
bool readWorkbookCells(const QByteArray &file, std::vector<WorkbookCell> *cells, QString *error);

// The same for the bare "Workbook" stream, without its compound-file wrapping.
bool readBiffCells(const QByteArray &stream, std::vector<WorkbookCell> *cells, QString *error);

} // namespace lng
