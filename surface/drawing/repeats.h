// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/drawing/request.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace brelon {

/// \brief The rectangles drawn lately, to leave out a repeat that cannot
/// change a pixel.
///
/// A filled rectangle drawn again paints each of its pixels in the colour
/// they already have, as long as nothing of another colour has touched its
/// reach since. The filter remembers a few dozen such requests and forgets
/// each one as soon as that may have happened.
class RepeatFilter {
public:
    /// \brief Whether \a request is remembered, so drawing it again would
    /// change nothing. The one remembered after it is tried first next time.
    bool recall(const Request& request)
    {
        // Each step pays for itself, measured on whole scenes. First the
        // entry after the one recalled last: the stubs of twenty openings
        // repeat in the same order every column, and a 20-opening scene
        // costs a fifth more without it. Then a bit per hash slot: most
        // requests repeat nothing, and scanning every entry for them costs
        // each scene a tenth more.
        if (m_cursor < m_entries.size() && m_entries[m_cursor].request == request) {
            m_entries[m_cursor++].hit = true;
            return true;
        }
        return (m_present[slot(request) >> 6] >> (slot(request) & 63) & 1) != 0 && find(request);
    }
    /// \brief Remembers \a request, just drawn as a rectangle within \a reach.
    void add(const Request& request, const Reach& reach);
    /// \brief Forgets what \a by, about to be drawn within \a reach, may
    /// paint over in another colour.
    void forget(const Reach& reach, const Request& by);
    void clear();

private:
    struct Entry {
        Request request;
        Reach reach;
        bool hit;
    };
    struct Group {
        Colour colour;
        Reach reach;
    };
    static unsigned slot(const Request& request)
    {
        return (Request::bits(request.y1) ^ (Request::bits(request.x1) >> 3)) * 0x9E3779B1u >> 25;
    }
    bool find(const Request& request);
    void note(const Entry& entry);
    void rebuild();

    std::vector<Entry> m_entries;
    size_t m_cursor = 0;
    std::vector<Group> m_groups; ///< per colour, the union of its entries' reach
    std::array<std::uint64_t, 2> m_present {}; ///< which slots hold an entry
};

} // namespace brelon
