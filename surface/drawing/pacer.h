// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <functional>

namespace brelon {

/// \brief Paces the slowdown count-down of a drawing run and shows its
/// progress at the display's rate.
///
/// Each decrement of the count-down lasts a fixed 100 ns of real time, on any
/// machine. The pauses accumulate into a debt against a deadline; while the
/// drawing is ahead of it by a frame or more, the pacer sleeps in pieces of at
/// most a frame and presents a frame after each piece. Frames are presented
/// at most once a frame period in any case, so a run at slowdown 0 shows its
/// progress too.
///
/// The clock and the sleep (pause(), which in the browser lets the page run)
/// are the system's unless given: a test gives its own, and counts the frames
/// and sleeps of a run without waiting for it.
class Pacer {
public:
    using Clock = std::chrono::steady_clock;
    using Present = std::function<void()>;
    using Sleep = std::function<void(Clock::duration)>;
    using Now = std::function<Clock::time_point()>;

    static constexpr std::chrono::nanoseconds perDecrement { 100 };
    static constexpr std::chrono::nanoseconds framePeriod { 16'666'667 };
    /// Without pauses, the clock is read about this often while drawing.
    static constexpr std::chrono::nanoseconds readInterval { 1'000'000 };

    explicit Pacer(Present present, Sleep sleep = {}, Now now = {});

    /// \brief Starts a new run: the debt and the frame clock start from now.
    void restart();
    /// \brief The count-down of \a count decrements (countDownSteps()).
    void countDown(double count);
    /// \brief Ends a run: sleeps off what is left of the pauses, less than a
    /// frame, so the last columns get their full pause too.
    void settle();
    /// \brief Whole decrements the counts so far have asked for.
    long long decrements() const { return m_decrements; }

private:
    /// The time the decrements so far are due to end.
    Clock::time_point deadline() const;
    /// Sleeps \a ahead in pieces of at most a frame, presenting a frame after each.
    void sleepAhead(Clock::duration ahead);

    Present m_present;
    Sleep m_sleep;
    Now m_now;
    Clock::time_point m_start;
    Clock::time_point m_lastFrame;
    Clock::time_point m_lastRead;
    long long m_decrements = 0;
    int m_unread = 0; ///< count-downs since the clock was last read
    int m_readEvery = 1;
};

} // namespace brelon
