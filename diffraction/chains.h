// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "diffraction/beside.h"
#include "diffraction/scene.h"

#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace brelon {

/// \brief The end of every column's phasor chain in a scan, worked out by a
/// second thread and by the drawing thread together.
///
/// The chains are pure arithmetic (scene::chainEnd), most of a scan's work.
/// Both threads take the next column nobody has begun: the second thread all
/// the time, the drawing thread whenever the column it is about to draw is
/// not ready yet (in the browser, which has no second thread, always). The ends are the very same doubles whichever
/// thread works them out. A column whose arithmetic fails has no end; the drawing thread works it out again as it draws
/// it, raising the same error at the same segment, after the same drawing.
class ChainEnds {
public:
    /// \brief The chains of columns \a firstColumn to \a lastColumn, begun
    /// at once beside the caller as \a start starts them (with none, all
    /// are worked out by the caller, in take()).
    ChainEnds(int firstColumn, int lastColumn, double lastIndex, int s, double F, StartBeside start = startBeside);
    ChainEnds(const ChainEnds&) = delete;
    ChainEnds& operator=(const ChainEnds&) = delete;
    ~ChainEnds();

    /// \brief Column X's chain end, or none when its arithmetic fails.
    std::optional<scene::Point> take(int X);

private:
    enum Status : int { Open, Done, Failed };
    /// Works out the next column nobody has begun; false when none is left.
    bool workOutNext();

    int m_firstColumn;
    double m_lastIndex;
    int m_s;
    double m_F;
    std::vector<scene::Point> m_ends;
    std::unique_ptr<std::atomic<int>[]> m_status; ///< a Status per column
    std::atomic<int> m_next { 0 }; ///< the first column nobody has begun
    std::atomic<bool> m_stop { false };
    std::thread m_worker;
};

} // namespace brelon
