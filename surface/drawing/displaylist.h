// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/drawing/request.h"

#include <cstddef>
#include <vector>

namespace brelon {

/// \brief The requests needed to draw the picture again at another scale,
/// in the order they were drawn.
///
/// Drawing them again into a new image at any zoom and ratio the window
/// allows gives the picture that drawing every request ever made would give
/// at that scale. The list stays small: a request is forgotten once a later
/// identical request repaints it, or once a dense run of lines covers it.
class DisplayList {
public:
    struct Kept {
        Request request;
        Reach reach;
    };

    /// \brief Keeps \a request, drawn now, with its reach.
    void add(const Request& request, const Reach& reach) { m_kept.push_back({ request, reach }); }

    /// \brief The request added last starts a run of rectangles merged into one.
    void beginRun(const Request& first);
    /// \brief \a next, added last, is merged into the run.
    void extendRun(const Request& next);
    /// \brief The run, if one is open, has been drawn: what it covers is
    /// forgotten. When the list has doubled since it was last compacted,
    /// the requests repainted later are forgotten too.
    void settle();

    size_t size() const { return m_kept.size(); }
    std::vector<Kept>::const_iterator begin() const { return m_kept.begin(); }
    std::vector<Kept>::const_iterator end() const { return m_kept.end(); }

private:
    // A run of merged rectangles: where its first request lies in the list,
    // and whether its requests are parallel horizontal lines close enough
    // to cover the twips between them at every scale.
    struct Run {
        size_t start = 0;
        bool dense = false;
        int width = 0;
        float left = 0, right = 0, first = 0, last = 0;
    };

    void forgetCovered();
    void forgetRepainted();

    std::vector<Kept> m_kept;
    size_t m_compactedSize = 0;
    Run m_run;
    bool m_runOpen = false;
};

} // namespace brelon
