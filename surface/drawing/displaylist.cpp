// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/drawing/displaylist.h"

#include <algorithm>
#include <unordered_map>

namespace brelon {

namespace {

constexpr float pixel = TwipScale::twipsPerPixel;
// Rounding a pen's width to whole pixels at the zoom takes off at most half a pixel.
constexpr float widthRounding = float(TwipScale::twipsPerPixel / 2.0 / TwipScale::smallestZoom);
// An even pen reaches a pixel less above its line than below, and the width's
// rounding takes a quarter pixel from each side: 1¼ pixels, taken as 1⅓.
constexpr float centringLoss
    = float((TwipScale::twipsPerPixel + TwipScale::twipsPerPixel / 3.0) / TwipScale::smallestZoom);

// Horizontal lines of one pen whose rows are this far apart, or less, leave
// no pixel row between them at any zoom: at zoom z their rows lie at most
// ⌈step·z/15⌉ apart, and the pen is w = round(width·z) ≥ width·z − ½ rows,
// so no gap while step·z/15 ≤ width·z − ½, which holds for every z of the
// smallest zoom or more once it holds there.
float gaplessStep(int width)
{
    return pixel * float(width) - widthRounding;
}

// How far a line's pen paints beyond its twips, ends included, at every
// zoom: a pen of w pixels lies ⌊(w − 1)/2⌋ ≥ w/2 − 1 pixels beyond the pixel
// that holds the line on one side and more on the other, which is half the
// width less 1¼ pixels at the smallest zoom.
float guaranteedReach(int width)
{
    return std::max(0.0f, pixel / 2 * float(width) - centringLoss);
}

bool isHorizontal(const Request& request)
{
    return request.kind == Request::Line && request.y1 == request.y2;
}

} // namespace

void DisplayList::beginRun(const Request& first)
{
    m_run = { m_kept.empty() ? 0 : m_kept.size() - 1, isHorizontal(first), first.width, std::min(first.x1, first.x2),
        std::max(first.x1, first.x2), first.y1, first.y1 };
    m_runOpen = true;
}

void DisplayList::extendRun(const Request& next)
{
    // Dense while every line has the pen and ends of the first and lies
    // below the one before by no more than the gapless step.
    const float step = next.y1 - m_run.last;
    m_run.dense = m_run.dense && isHorizontal(next) && std::min(next.x1, next.x2) == m_run.left
        && std::max(next.x1, next.x2) == m_run.right && next.width == m_run.width && step >= 0
        && step <= gaplessStep(next.width);
    m_run.last = next.y1;
}

void DisplayList::settle()
{
    if (m_runOpen) {
        m_runOpen = false;
        if (m_run.dense)
            forgetCovered();
    }
    if (m_kept.size() > 2 * m_compactedSize && m_kept.size() > 4096)
        forgetRepainted();
}

void DisplayList::forgetCovered()
{
    // A dense run of lines fills every pixel from its first line to its
    // last and from end to end, and the pen's guaranteed reach beyond, at
    // any scale. A request painted before it, whose reach lies wholly within
    // that cover, paints only device pixels that the run paints again: it
    // no longer shows.
    const float guaranteed = guaranteedReach(m_run.width);
    const Reach cover { m_run.left - guaranteed, m_run.first - guaranteed, m_run.right + guaranteed,
        m_run.last + guaranteed };
    // A line of the same pen and ends between the first line and the last
    // fills a row of the very rectangle the run fills, whatever its reach.
    const auto under = [this](const Request& r) {
        return r.kind == Request::Line && r.y1 == r.y2 && r.width == m_run.width && std::min(r.x1, r.x2) == m_run.left
            && std::max(r.x1, r.x2) == m_run.right && r.y1 >= m_run.first && r.y1 <= m_run.last;
    };
    const auto end = m_kept.begin() + std::ptrdiff_t(std::min(m_run.start, m_kept.size()));
    m_kept.erase(std::remove_if(m_kept.begin(), end,
                     [&](const Kept& kept) { return kept.reach.within(cover) || under(kept.request); }),
        end);
}

void DisplayList::forgetRepainted()
{
    // A request that an identical later one repaints no longer shows: the
    // later one sets each of its pixels to the same colour again, whatever
    // came in between.
    struct Hash {
        size_t operator()(const Request& r) const
        {
            size_t h = size_t(r.kind) * 0x9E3779B97F4A7C15u + size_t(r.width);
            for (const std::uint32_t v : { r.fill, Request::bits(r.x1), Request::bits(r.y1), Request::bits(r.x2),
                     Request::bits(r.y2), r.colour })
                h = (h ^ v) * 0x100000001B3u;
            return h;
        }
    };
    std::unordered_map<Request, size_t, Hash> last;
    last.reserve(m_kept.size());
    for (size_t i = 0; i < m_kept.size(); ++i)
        last[m_kept[i].request] = i;
    size_t kept = 0;
    for (size_t i = 0; i < m_kept.size(); ++i)
        if (last[m_kept[i].request] == i)
            m_kept[kept++] = m_kept[i];
    m_kept.resize(kept);
    m_compactedSize = kept;
}

} // namespace brelon
