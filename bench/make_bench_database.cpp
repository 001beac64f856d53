// Writes the generated 9,999-message database into a folder, and optionally the same Spanish
// messages as a gettext .po file, for the command-line benchmarks.
#include "BenchData.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_bench_database FOLDER [SPANISH.po]\n");
        return 2;
    }
    lng::bench::generatedDatabase(QString::fromLocal8Bit(argv[1]));
    if (argc > 2) {
        QFile po(QString::fromLocal8Bit(argv[2]));
        if (!po.open(QIODevice::WriteOnly))
            return 1;
        QByteArray out = "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
        for (int number = 101; number <= 10099; ++number) {
            out += "msgid \"" + QByteArray::number(number) + ": " + lng::bench::sampleText(number, 2).toUtf8() + "\"\n";
            out += "msgstr \"" + lng::bench::sampleText(number, 12).toUtf8() + "\"\n\n";
        }
        po.write(out);
    }
    return 0;
}
