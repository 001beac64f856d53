#include "StoredSnapshot.h"

#include <algorithm>

namespace lng {

void StoredSnapshot::reset(const std::vector<int> &fields)
{
    m_fields.clear();
    for (int field : fields) {
        if (std::find(m_fields.begin(), m_fields.end(), field) == m_fields.end() && m_fields.size() < MaxFields)
            m_fields.push_back(field);
    }
    m_entries.clear();
    m_entries.reserve(10100);
    m_versions = {};
}

bool StoredSnapshot::covers(const std::vector<int> &fields) const
{
    return !m_fields.empty()
           && std::all_of(fields.begin(), fields.end(), [this](int field) { return slotOf(field) >= 0; });
}

int StoredSnapshot::slotOf(int field) const
{
    const auto found = std::find(m_fields.begin(), m_fields.end(), field);
    return found == m_fields.end() ? -1 : static_cast<int>(found - m_fields.begin());
}

const StoredSnapshot::Entry *StoredSnapshot::find(std::int64_t number) const
{
    const auto found = std::lower_bound(m_entries.begin(), m_entries.end(), number,
                                        [](const Entry &entry, std::int64_t n) { return entry.number < n; });
    return found != m_entries.end() && found->number == number ? &*found : nullptr;
}

const StoredSnapshot::Values *StoredSnapshot::values(std::int64_t number) const
{
    const Entry *entry = find(number);
    return entry ? &entry->values : nullptr;
}

const std::optional<QString> *StoredSnapshot::value(std::int64_t number, int field) const
{
    const int slot = slotOf(field);
    const Values *held = slot < 0 ? nullptr : values(number);
    return held ? &(*held)[static_cast<std::size_t>(slot)] : nullptr;
}

void StoredSnapshot::set(std::int64_t number, int field, const std::optional<QString> &value)
{
    const int slot = slotOf(field);
    if (slot < 0)
        return;
    auto at = m_entries.end();
    if (m_entries.empty() || m_entries.back().number < number) {
        at = m_entries.insert(m_entries.end(), Entry {number, {}});
    } else {
        at = std::lower_bound(m_entries.begin(), m_entries.end(), number,
                              [](const Entry &entry, std::int64_t n) { return entry.number < n; });
        if (at == m_entries.end() || at->number != number)
            at = m_entries.insert(at, Entry {number, {}});
    }
    at->values[static_cast<std::size_t>(slot)] = value;
}

} // namespace lng
