#pragma once

#include <QByteArray>

#include <cstdint>
#include <unordered_set>

namespace lng {

// Versions of records on a server (PostgreSQL's xmin: every write of a record gives it a new
// one), and the table they belong to: a table made anew (restored, or on another server)
// numbers its versions afresh, so versions of another table say nothing. A file keeps none.
struct RecordVersions {
    using Set = std::unordered_set<std::uint32_t>;
    QByteArray table;
    Set seen;
};

} // namespace lng
