#include "WindowHelpers.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>

namespace lng::test {

bool typeIntoActiveCell(QAbstractItemView &view, const QString &text)
{
    view.setFocus();
    QTest::keyClick(&view, text.at(0).toLatin1());
    auto *editor = view.findChild<QLineEdit *>();
    if (!editor || !editor->isVisible())
        return false;
    QTest::keyClicks(editor, text.mid(1));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    return true;
}

} // namespace lng::test
