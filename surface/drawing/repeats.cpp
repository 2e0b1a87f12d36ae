// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/drawing/repeats.h"

#include <algorithm>

namespace brelon {

namespace {

// Room for the stubs of twenty openings, which every column repeats, and for
// what is drawn between two repeats.
constexpr size_t capacity = 48;

} // namespace

void RepeatFilter::add(const Request& request, const Reach& reach)
{
    if (m_entries.size() >= capacity) {
        // Keep what has been drawn again at least once; forget the rest.
        std::erase_if(m_entries, [](const Entry& e) { return !e.hit; });
        if (m_entries.size() >= capacity)
            m_entries.clear();
        for (Entry& e : m_entries)
            e.hit = false;
        m_cursor = 0;
        rebuild();
    }
    m_entries.push_back({ request, reach, false });
    note(m_entries.back());
}

void RepeatFilter::note(const Entry& entry)
{
    const unsigned at = slot(entry.request);
    m_present[at >> 6] |= std::uint64_t(1) << (at & 63);
    for (Group& group : m_groups) {
        if (group.colour == entry.request.colour) {
            group.reach = { std::min(group.reach.left, entry.reach.left), std::min(group.reach.top, entry.reach.top),
                std::max(group.reach.right, entry.reach.right), std::max(group.reach.bottom, entry.reach.bottom) };
            return;
        }
    }
    m_groups.push_back({ entry.request.colour, entry.reach });
}

bool RepeatFilter::find(const Request& request)
{
    for (size_t at = 0; at < m_entries.size(); ++at) {
        if (m_entries[at].request == request) {
            m_entries[at].hit = true;
            m_cursor = at + 1;
            return true;
        }
    }
    return false;
}

void RepeatFilter::forget(const Reach& reach, const Request& by)
{
    // A new request leaves an entry's pixels as they are only when it paints
    // in the entry's colour alone: its line colour, and its fill if it has
    // one. A label paints black text over its background. Any other entry
    // whose reach the new request may touch is no longer sure of its pixels.
    const auto keeps = [&](Colour colour) {
        return by.kind != Request::Label && colour == by.colour && (by.fill == noFill || by.fill == colour);
    };
    const bool touched = std::any_of(
        m_groups.begin(), m_groups.end(), [&](const Group& g) { return !keeps(g.colour) && g.reach.meets(reach); });
    if (!touched)
        return;
    std::erase_if(m_entries, [&](const Entry& e) { return !keeps(e.request.colour) && e.reach.meets(reach); });
    rebuild();
}

void RepeatFilter::clear()
{
    m_entries.clear();
    m_cursor = 0;
    rebuild();
}

void RepeatFilter::rebuild()
{
    m_groups.clear();
    m_present = {};
    for (const Entry& e : m_entries)
        note(e);
    m_cursor = std::min(m_cursor, m_entries.size());
}

} // namespace brelon
