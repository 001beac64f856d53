#pragma once

#include "db/RecordVersions.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace lng {

class MessageDatabase;
class Workbench;

// What other translators saved to a shared database since this table was loaded, in the
// fields the table shows: fields both sides changed (conflicts, which the user settles before
// the save writes anything) and fields only the others changed (taken into the table after
// the save).
class OthersEdits {
public:
    // Reads the shown fields as they are stored now (one statement) and compares them with
    // what the load read and what the table holds. Only records written since the snapshot's
    // versions are read, when it has them.
    bool gather(Workbench &bench, MessageDatabase &db, QString *error);

    bool hasConflicts() const { return !m_conflicts.empty(); }
    // The question that lists the conflicts, theirs beside yours.
    QString question(Workbench &bench) const;
    // "Keep theirs": their texts go into the conflicted cells, and the save leaves those fields alone.
    void keepTheirs(Workbench &bench) const;
    // After the save: the fields only others changed, into the table; the versions compared
    // are the snapshot's from now on.
    void afterSave(Workbench &bench) const;
    // How many fields afterSave brings in.
    std::size_t theirsOnly() const { return m_theirsOnly.size(); }

private:
    struct Change {
        int row;
        int column;
        std::int64_t number;
        int field;
        std::optional<QString> theirs;
        QString yours;
    };
    static void apply(Workbench &bench, const std::vector<Change> &changes);

    std::vector<Change> m_conflicts;
    std::vector<Change> m_theirsOnly;
    RecordVersions m_compared; // versions of the records compared, and their table
};

} // namespace lng
