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
    m_lastRead = m_start;
    m_decrements = 0;
    m_unread = 0;
    m_readEvery = 1;
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
    const long long steps = countDownSteps(count);
    m_decrements += steps;
    // Without a pause to keep, the clock only tells when a frame is due;
    // a column takes microseconds (reading the clock, in the browser, about
    // as long): the clock is read after every column at first, then after
    // twice as many while a read comes sooner than every quarter of a
    // millisecond, at most after every 64th.
    if (steps == 0 && ++m_unread < m_readEvery)
        return;
    m_unread = 0;
    const Clock::time_point now = m_now();
    if (steps == 0 && now - m_lastRead < readInterval / 4 && m_readEvery < 64)
        m_readEvery *= 2;
    else if (now - m_lastRead > readInterval && m_readEvery > 1)
        m_readEvery /= 2;
    m_lastRead = now;
    if (const Clock::duration ahead = deadline() - now; ahead >= framePeriod) {
        sleepAhead(ahead);
    } else if (now - m_lastFrame >= framePeriod) {
        m_present();
        m_lastFrame = m_now();
    }
}

} // namespace brelon
