#pragma once

#include "diffraction/scene.h"
#include "surface/errors.h"

#include <QString>

#include <atomic>
#include <thread>
#include <vector>

namespace brelon {

/// \brief The segments of every chain of a scan, worked out on a second
/// thread a little ahead of the drawing.
///
/// The segments are pure arithmetic (scene::segment), a third of a scan's
/// work; the drawing thread takes them column by column as it draws. The
/// values are the very same doubles, and an arithmetic error surfaces at the
/// same segment, in the same order, as if the drawing thread had worked it
/// out itself. The worker keeps at most a fixed number of segments ahead.
class ChainSegments {
public:
    ChainSegments(int firstColumn, int lastColumn, double lastIndex, int s, double F);
    ChainSegments(const ChainSegments&) = delete;
    ChainSegments& operator=(const ChainSegments&) = delete;
    ~ChainSegments();

    /// \brief Opening m's segment of column X's chain. Columns are taken in
    /// ascending order; raises the error the arithmetic raised for it.
    scene::Point at(int X, int m)
    {
        const int index = (X - m_firstColumn) * m_openings + m;
        if (index >= m_ready.load(std::memory_order_acquire))
            waitFor(index);
        // Segments are taken in order: the slot follows on from the last.
        const scene::Point segment = m_ring[m_readSlot];
        if (++m_readSlot == m_ring.size())
            m_readSlot = 0;
        if (m == m_openings - 1)
            release(X); // the column is read: its slots are free
        return segment;
    }

private:
    void waitFor(int index);
    void release(int X);
    void work();

    // Set up before the worker starts, read by both threads.
    int m_firstColumn;
    int m_lastColumn;
    int m_openings;
    int m_s;
    double m_F;
    std::vector<scene::Point> m_ring;

    // Written by the worker, each on its own cache line away from what the
    // drawing thread writes, so neither slows the other.
    // Segments worked out; after an error, −1 − the index of the failing one.
    alignas(64) std::atomic<int> m_ready { 0 };
    ErrorKind m_errorKind = ErrorKind::Invalid;
    QString m_errorMessage;

    // Written by the drawing thread.
    alignas(64) std::atomic<int> m_taken { 0 }; // segments of the columns drawn
    std::atomic<bool> m_stop { false };
    size_t m_readSlot = 0;

    std::thread m_worker;
};

} // namespace brelon
