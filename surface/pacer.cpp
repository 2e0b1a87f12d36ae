#include "surface/pacer.h"

#include "surface/errors.h"

#include <cmath>
#include <thread>

namespace brelon {

Pacer::Pacer(Present present, Sleep sleep)
    : m_present(std::move(present))
    , m_sleep(sleep ? std::move(sleep) : Sleep([](Clock::duration d) { std::this_thread::sleep_for(d); }))
{
    restart();
}

void Pacer::restart()
{
    m_start = Clock::now();
    m_lastFrame = m_start;
    m_decrements = 0;
}

Pacer::Clock::time_point Pacer::deadline() const
{
    return m_start + std::chrono::duration_cast<Clock::duration>(perDecrement * m_decrements);
}

void Pacer::sleepAhead(Clock::duration ahead)
{
    for (; ahead > Clock::duration::zero(); ahead -= framePeriod) {
        m_sleep(std::min<Clock::duration>(ahead, framePeriod));
        m_present();
    }
    m_lastFrame = Clock::now();
}

void Pacer::settle()
{
    sleepAhead(deadline() - Clock::now());
}

long long Pacer::decrementsFor(double count)
{
    if (count != count)
        raise(ErrorKind::Invalid);
    if (count > maxCount)
        raise(ErrorKind::Overflow, QStringLiteral("zpomalení %1").arg(count));
    if (count <= 0)
        return 0;
    return static_cast<long long>(std::ceil(count));
}

void Pacer::countDown(double count)
{
    m_decrements += decrementsFor(count);
    const Clock::time_point now = Clock::now();
    if (const Clock::duration ahead = deadline() - now; ahead >= framePeriod) {
        sleepAhead(ahead);
    } else if (now - m_lastFrame >= framePeriod) {
        m_present();
        m_lastFrame = Clock::now();
    }
}

} // namespace brelon
