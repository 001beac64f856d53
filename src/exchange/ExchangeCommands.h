#pragma once

#include <QString>

namespace lng {

class Workbench;

inline const QString ExchangeFileName = QStringLiteral("XLLanguages.XLS");

// ToExcel: the message numbers and the edited column into the exchange workbook.
void ExportEditedColumn(Workbench &bench);
// FromExcel: the exchange workbook back into the message numbers and the edited column.
void ImportEditedColumn(Workbench &bench);

void bindExchangeCommands(Workbench &bench);

} // namespace lng
