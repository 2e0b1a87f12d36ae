// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/drawing/pacer.h"

#include "surface/core/countdown.h"
#include "surface/drawing/pause.h"

namespace brelon {

Pacer::Pacer(Present present, Sleep sleep, Now now)
    : m_present(std::move(present))
    , m_sleep(sleep ? std::move(sleep) : Sleep([](Clock::duration d) { pause(d); }))
    , m_now(now ? std::move(now) : Now(&Clock::now))
{
    restart();
}

void Pacer::restart()
{
    m_start = m_now();
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
    m_lastFrame = m_now();
}

void Pacer::settle()
{
    sleepAhead(deadline() - m_now());
}

void Pacer::countDown(double count)
{
    m_decrements += countDownSteps(count);
    const Clock::time_point now = m_now();
    if (const Clock::duration ahead = deadline() - now; ahead >= framePeriod) {
        sleepAhead(ahead);
    } else if (now - m_lastFrame >= framePeriod) {
        m_present();
        m_lastFrame = m_now();
    }
}

} // namespace brelon
