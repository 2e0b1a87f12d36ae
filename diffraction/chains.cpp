// SPDX-License-Identifier: GPL-3.0-or-later

#include "diffraction/chains.h"

#include "surface/core/errors.h"
#include "surface/core/vectorstate.h"

#include <algorithm>
#include <thread>

namespace brelon {

ChainEnds::ChainEnds(int firstColumn, int lastColumn, double lastIndex, int s, double F, StartBeside start)
    : m_firstColumn(firstColumn)
    , m_lastIndex(lastIndex)
    , m_s(s)
    , m_F(F)
    , m_ends(size_t(std::max(0, lastColumn - firstColumn + 1)))
    , m_status(std::make_unique<std::atomic<int>[]>(m_ends.size()))
{
    if (!start)
        return;
    m_worker = start([this] {
        // The thread starts with the drawing thread's register state.
        clearUpperVectorState();
        while (!m_stop.load(std::memory_order_relaxed) && workOutNext()) { }
    });
}

ChainEnds::~ChainEnds()
{
    m_stop.store(true, std::memory_order_relaxed);
    if (m_worker.joinable())
        m_worker.join();
}

bool ChainEnds::workOutNext()
{
    const int column = m_next.fetch_add(1, std::memory_order_relaxed);
    if (column >= int(m_ends.size()))
        return false;
    std::atomic<int>& status = m_status[size_t(column)];
    try {
        m_ends[size_t(column)] = scene::chainEnd(m_firstColumn + column, m_lastIndex, m_s, m_F);
        status.store(Done, std::memory_order_release);
    } catch (const Error&) {
        status.store(Failed, std::memory_order_release);
    }
    return true;
}

std::optional<scene::Point> ChainEnds::take(int X)
{
    std::atomic<int>& status = m_status[size_t(X - m_firstColumn)];
    for (int now = status.load(std::memory_order_acquire);; now = status.load(std::memory_order_acquire)) {
        if (now == Done)
            return m_ends[size_t(X - m_firstColumn)];
        if (now == Failed)
            return std::nullopt;
        // Not ready: help with the columns ahead. Once all are begun, the
        // other thread is working this very column out, a matter of
        // microseconds: give way until it is done. (std::atomic's wait
        // loses a wake-up now and then where the C++ library has no futex
        // to wait on, as on Windows, and the scan would stop for good.)
        if (!workOutNext())
            std::this_thread::yield();
    }
}

} // namespace brelon
