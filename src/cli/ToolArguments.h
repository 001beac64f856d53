#pragma once

#include "app/SharedState.h"

#include <QString>
#include <QStringList>

#include <map>

// What the lngtool commands share for reading their arguments.
namespace lng::cli {

// Splits a command's arguments into options with values, flags and the rest.
struct Parsed {
    std::map<QString, QString> values;
    QStringList flags;
    QStringList positional;
    QString problem;
};

inline Parsed parse(const QStringList &args, const QStringList &valueOptions, const QStringList &flagOptions)
{
    Parsed parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (valueOptions.contains(arg)) {
            if (i + 1 >= args.size()) {
                parsed.problem = arg + QStringLiteral(" needs a value");
                return parsed;
            }
            parsed.values[arg] = args[++i];
        } else if (flagOptions.contains(arg)) {
            parsed.flags << arg;
        } else if (arg.startsWith(QLatin1String("--"))) {
            parsed.problem = QStringLiteral("unknown option ") + arg;
            return parsed;
        } else {
            parsed.positional << arg;
        }
    }
    return parsed;
}

inline LanguageCatalogue catalogue()
{
    LanguageCatalogue c;
    c.fill();
    return c;
}

// Every distinct catalogue name, in slot order.
inline QStringList distinctNames()
{
    QStringList names;
    for (const QString &name : catalogue().names()) {
        if (!names.contains(name))
            names << name;
    }
    return names;
}
} // namespace lng::cli
