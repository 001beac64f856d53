#include "LngTool.h"
#include "ToolArguments.h"

#include "server/Migration.h"
#include "server/ServerDatabase.h"

#include <QLocale>

namespace lng {

using namespace cli;

int LngTool::migrate(const QStringList &args)
{
    const Parsed p = parse(args, {QStringLiteral("--to"), QStringLiteral("--from")}, {});
    if (!p.problem.isEmpty())
        return usage(p.problem, QStringLiteral("migrate"));
    const bool to = p.values.count(QStringLiteral("--to")) != 0;
    const bool from = p.values.count(QStringLiteral("--from")) != 0;
    if (to == from || (to && !p.positional.isEmpty()) || (from && p.positional.size() != 1))
        return usage(QStringLiteral("give --to URI, or --from URI and the new file"), QStringLiteral("migrate"));
    const QString server = to ? p.values.at(QStringLiteral("--to")) : p.values.at(QStringLiteral("--from"));
    if (!isConnectionString(server))
        return usage(QStringLiteral("\"%1\" is not a connection string (postgresql://host/db, service=NAME)").arg(shownServer(server)),
                     QStringLiteral("migrate"));
    const QString source = to ? databasePath() : server;
    const QString target = to ? server : p.positional.first();
    MigrationReport report;
    QString cause;
    if (!migrateDatabase(source, target, &report, &cause)) {
        error(cause);
        return 1;
    }
    print(QStringLiteral("%1 messages copied from %2 to %3; both hold the checksum %4\n")
              .arg(QLocale(QLocale::English).toString(report.messages), to ? source : shownServer(server),
                   to ? shownServer(server) : target, report.checksum));
    if (report.ignoredFindings > 0)
        print(QStringLiteral("%1 ignored finding(s) copied with them\n").arg(report.ignoredFindings));
    return 0;
}

} // namespace lng
