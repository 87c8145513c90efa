#pragma once

#include <QtGlobal>

#include <algorithm>
#include <limits>
#include <mutex>

// Shares the ids of a table between two readers going towards each other:
// one up from the lowest id, one down from the highest. Each takes a stretch
// of ids at a time until the stretches meet, so the reader that runs faster
// (the other may share its core with another program) reads more, and every
// id belongs to exactly one of them. The lower reader owns the ids below
// lowEnd, the upper reader those from highStart up.
class IdMeeting
{
public:
    IdMeeting(qint64 lowest, qint64 highest, qint64 stretch)
        : m_lowEnd(lowest)
        , m_highStart(highest == std::numeric_limits<qint64>::max() ? highest : highest + 1)
        , m_stretch(std::max<qint64>(stretch, 1))
    {
    }

    // The lower reader's bound after taking `id`: the id is its own when below it.
    qint64 lowerTakes(qint64 id)
    {
        std::lock_guard lock(m_mutex);
        if (id >= m_lowEnd && m_lowEnd < m_highStart)
            m_lowEnd = std::max(id < m_highStart ? id + 1 : m_highStart, m_lowEnd + step());
        return m_lowEnd;
    }

    // The upper reader's bound after taking `id`: the id is its own when not below it.
    qint64 upperTakes(qint64 id)
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled)
            return std::numeric_limits<qint64>::max();
        if (id < m_highStart && m_lowEnd < m_highStart)
            m_highStart = std::min(id >= m_lowEnd ? id : m_lowEnd, m_highStart - step());
        return m_highStart;
    }

    // The upper reader takes no more ids; the lower reader reads the rest alone.
    void cancel()
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }

private:
    // A stretch, or what is left between the two when less; the span of all
    // 64-bit ids does not fit a signed difference.
    qint64 step() const
    {
        return qint64(std::min(quint64(m_stretch), quint64(m_highStart) - quint64(m_lowEnd)));
    }

    std::mutex m_mutex;
    qint64 m_lowEnd;
    qint64 m_highStart;
    const qint64 m_stretch;
    bool m_cancelled = false;
};
