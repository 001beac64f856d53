#include "LngTool.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return lng::LngTool(stdout, stderr).run(QCoreApplication::arguments().mid(1));
}
