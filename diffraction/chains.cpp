#include "diffraction/chains.h"

#include <algorithm>
#include <limits>

namespace brelon {

namespace {

// About a megabyte of segments in flight: many columns ahead for few
// openings, still a whole column for the most the opening index allows.
constexpr int ringSegments = 1 << 16;

} // namespace

ChainSegments::ChainSegments(int firstColumn, int lastColumn, double lastIndex, int s, double F)
    : m_firstColumn(firstColumn)
    , m_lastColumn(lastColumn)
    , m_openings(lastIndex < 0 ? 0 : int(lastIndex) + 1)
    , m_s(s)
    , m_F(F)
{
    if (m_openings == 0 || lastColumn < firstColumn)
        return;
    const int columns = std::max(1, ringSegments / m_openings);
    m_ring.resize(size_t(columns) * size_t(m_openings));
    m_worker = std::thread([this] { work(); });
}

ChainSegments::~ChainSegments()
{
    if (!m_worker.joinable())
        return;
    m_stop.store(true, std::memory_order_release);
    m_taken.store(std::numeric_limits<int>::max(), std::memory_order_release);
    m_taken.notify_all();
    m_worker.join();
}

void ChainSegments::work()
{
    const auto capacity = int(m_ring.size());
    int index = 0;
    size_t slot = 0;
    for (int X = m_firstColumn; X <= m_lastColumn; ++X) {
        if (m_stop.load(std::memory_order_acquire))
            return;
        // Wait for room: the ring holds the columns not yet drawn.
        for (int taken = m_taken.load(std::memory_order_acquire); index + m_openings - capacity > taken;
             taken = m_taken.load(std::memory_order_acquire)) {
            if (m_stop.load(std::memory_order_acquire))
                return;
            m_taken.wait(taken, std::memory_order_acquire);
        }
        for (int m = 0; m < m_openings; ++m, ++index) {
            try {
                m_ring[slot] = scene::segment(X, m, m_s, m_F);
                if (++slot == m_ring.size())
                    slot = 0;
            } catch (const Error& error) {
                m_errorKind = error.kind();
                m_errorMessage = error.message();
                m_ready.store(-1 - index, std::memory_order_release);
                m_ready.notify_all();
                return;
            }
        }
        m_ready.store(index, std::memory_order_release);
        m_ready.notify_all();
    }
}

void ChainSegments::waitFor(int index)
{
    for (;;) {
        const int ready = m_ready.load(std::memory_order_acquire);
        if (ready < 0) {
            // The arithmetic failed at segment −1 − ready; those before it are good.
            if (index >= -1 - ready)
                throw Error(m_errorKind, m_errorMessage);
            return;
        }
        if (index < ready)
            return;
        m_ready.wait(ready, std::memory_order_acquire);
    }
}

void ChainSegments::release(int X)
{
    m_taken.store((X - m_firstColumn + 1) * m_openings, std::memory_order_release);
    m_taken.notify_all();
}

} // namespace brelon
