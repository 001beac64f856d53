#include "BenchSupport.h"

#include "BenchData.h"

#include <QFile>

namespace lng::bench {

BenchWorkbench::BenchWorkbench()
{
    state.catalogue.fill();
    generatedDatabase(dir.path());
    bench = std::make_unique<Workbench>(state, prompts, clipboard, dir.path());
    bench->formLoad();
}

LoadedTable::LoadedTable()
{
    state.IsUnlocked = true;
    bench->LoadTable();
}

QString makeListing(const QString &folder, unsigned callsPerThousand, unsigned first, unsigned count)
{
    const QString path = folder + QStringLiteral("/GhostSources.bin");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    static const char *const plain[] = {
        "    If Not IsNumeric(txtValue.Text) Then Exit Sub\r\n",
        "    Dim lngIndex As Long, strBuffer As String\r\n",
        "    For lngIndex = 1 To colItems.Count: Total = Total + colItems(lngIndex): Next\r\n",
        "    Call WriteLog(\"Measurement finished\", LOG_INFO)\r\n",
        "End Sub\r\n",
        "Private Sub cmdStart_Click()\r\n",
    };
    QByteArray chunk;
    unsigned seed = 12345;
    const qint64 target = 200LL * 1024 * 1024;
    qint64 written = 0;
    while (written < target) {
        seed = seed * 1103515245u + 12345u;
        const unsigned pick = (seed >> 16) % 1000;
        if (pick < callsPerThousand) {
            const unsigned number = first + (seed >> 8) % count;
            chunk += "    lblStatus.Caption = TXL(" + QByteArray::number(number) + ") & \": \" & TXL(" +
                     QByteArray::number(number + 1) + ")\r\n";
        } else {
            chunk += plain[pick % 6];
        }
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            written += chunk.size();
            chunk.clear();
        }
    }
    file.write(chunk);
    return path;
}

void useVariedEnglish(Sheet &table)
{
    std::vector<QString> words;
    static const char *const stems[] = {"save", "open", "close", "measure", "sensor", "file", "value", "calibrat", "connect",
                                        "print", "report", "limit", "channel", "device", "start", "stop", "delete", "select"};
    static const char *const endings[] = {"", "s", "ed", "ing", "ion", "er", "able", "ment"};
    for (const char *stem : stems) {
        for (const char *ending : endings) {
            for (int k = 0; k < 20; ++k)
                words.push_back(QString::fromLatin1(stem) + QString::fromLatin1(ending) + (k ? QString::number(k) : QString()));
        }
    }
    unsigned seed = 7;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8); };
    for (int row = 1; row <= TableRows; ++row) {
        const unsigned kind = next() % 120;
        QString text;
        if (row > 10 && kind < 10) {
            text = table.CellText(static_cast<int>(1 + next() % static_cast<unsigned>(row - 1)), EnglishColumn);
        } else if (row > 10 && kind < 22) {
            QStringList parts = table.CellText(static_cast<int>(1 + next() % static_cast<unsigned>(row - 1)), EnglishColumn).split(' ');
            parts[static_cast<qsizetype>(next() % static_cast<unsigned>(parts.size()))] = words[next() % words.size()];
            text = parts.join(' ');
        } else {
            const unsigned length = 3 + next() % 8;
            for (unsigned i = 0; i < length; ++i)
                text += (i ? QStringLiteral(" ") : QString()) + words[next() % words.size()];
        }
        table.SetCellText(row, EnglishColumn, text);
    }
}

} // namespace lng::bench
