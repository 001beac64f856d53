#pragma once

#include "RecordVersions.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace lng {

// What the database held, field by field, for each message when the table was last loaded or
// saved. A save compares the table with it to find the rows the user changed, and reads only
// those rows' stored values back from the database. The texts are shared with the table's
// cells, so keeping them costs no copies.
class StoredSnapshot {
public:
    static constexpr int MaxFields = 4;

    void reset(const std::vector<int> &fields);
    void clear() { reset({}); }
    // Whether the snapshot holds every one of these fields.
    bool covers(const std::vector<int> &fields) const;
    bool has(std::int64_t number) const { return find(number) != nullptr; }
    // The value a field held (nullopt for Null); nullptr when the message or field is unknown.
    const std::optional<QString> *value(std::int64_t number, int field) const;
    // The values of one message, by the slot `slotOf` gives a field; nullptr when unknown.
    using Values = std::array<std::optional<QString>, MaxFields>;
    const Values *values(std::int64_t number) const;
    // Where a field's value is kept in `Values`; -1 when the snapshot does not hold it.
    int slotOf(int field) const;
    // Records are quickest added in ascending number order, as a load reads them.
    void set(std::int64_t number, int field, const std::optional<QString> &value);

    // On a server: the record versions whose texts the snapshot holds. A record still at one
    // of them has not been written since, so a save need not read it back to compare.
    RecordVersions &versions() { return m_versions; }
    const RecordVersions &versions() const { return m_versions; }

private:
    struct Entry {
        std::int64_t number;
        Values values;
    };
    const Entry *find(std::int64_t number) const;

    std::vector<int> m_fields;
    std::vector<Entry> m_entries; // by ascending number
    RecordVersions m_versions;
};

} // namespace lng
