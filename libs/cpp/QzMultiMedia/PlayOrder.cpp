#include "PlayOrder.h"

#include <QRandomGenerator>

#include <algorithm>
#include <numeric>
#include <utility>

namespace QzMultiMedia {

PlayOrder::PlayOrder(QRandomGenerator* random)
    : m_pRandom(random ? random : QRandomGenerator::global())
{ }

void PlayOrder::reset(int count)
{
    m_nNumber = 0;
    m_nChosenEnd = 0;
    if (m_bShuffle) {
        shuffle(-1, count);
        return;
    }
    m_order.resize(qMax(0, count));
    std::iota(m_order.begin(), m_order.end(), 0);
}

void PlayOrder::restore(int count, int current)
{
    current = count > 0 ? std::clamp(current, 0, count - 1) : 0;
    if (m_bShuffle) {
        shuffle(current, count);
        m_nNumber = 0;
    } else {
        reset(count);
        m_nNumber = current;
    }
}

void PlayOrder::append(int count)
{
    const int first = int(m_order.size());
    for (int place = first; place < first + count; ++place) {
        if (m_bShuffle) {
            // Behind the songs chosen to play next, which keep their turn and their order.
            const int from = qMin(qMax(m_nNumber + 1, m_nChosenEnd), int(m_order.size()));
            m_order.insert(from + int(m_pRandom->bounded(quint32(m_order.size() - from + 1))), place);
        } else {
            m_order.append(place); // after whatever order the songs chosen to play next made
        }
    }
}

const QList<int>& PlayOrder::places() const
{
    return m_order;
}

int PlayOrder::size() const
{
    return int(m_order.size());
}

int PlayOrder::number() const
{
    return m_nNumber;
}

int PlayOrder::at(int k) const
{
    return m_order.value(k, -1);
}

int PlayOrder::current() const
{
    return at(m_nNumber);
}

// Every song once, in an order of chance; the song at place first (when there is one) comes first.
void PlayOrder::shuffle(int first, int count)
{
    m_nChosenEnd = 0;
    m_order.clear();
    for (int place = 0; place < count; ++place) {
        if (place != first)
            m_order.append(place);
    }
    std::shuffle(m_order.begin(), m_order.end(), *m_pRandom);
    if (first >= 0 && first < count)
        m_order.prepend(first);
}

void PlayOrder::setShuffle(bool on)
{
    if (on == m_bShuffle)
        return;
    m_bShuffle = on;
    const int place = current();
    if (on) {
        shuffle(place, size());
        m_nNumber = 0;
    } else {
        reset(size());
        m_nNumber = qMax(0, place);
    }
}

bool PlayOrder::isShuffle() const
{
    return m_bShuffle;
}

void PlayOrder::setRepeat(Repeat repeat)
{
    m_nRepeat = repeat;
}

PlayOrder::Repeat PlayOrder::repeat() const
{
    return m_nRepeat;
}

void PlayOrder::setStopAfterCurrent(bool on)
{
    m_bStopAfterCurrent = on;
}

bool PlayOrder::isStopAfterCurrent() const
{
    return m_bStopAfterCurrent;
}

// A repeated list starts its next round. Shuffled, the round gets a new order, whose first song is not the one
// that just ended (place after), when there are others.
void PlayOrder::startRound(int after)
{
    m_nNumber = 0;
    m_nChosenEnd = 0;
    if (!m_bShuffle) {
        reset(size()); // songs chosen to play next had their turn
        return;
    }
    shuffle(-1, size());
    if (m_order.size() > 1 && m_order.first() == after)
        std::swap(m_order[0], m_order[1 + int(m_pRandom->bounded(quint32(m_order.size() - 1)))]);
}

bool PlayOrder::hasNext() const
{
    return !m_order.isEmpty() && (m_nNumber + 1 < size() || m_nRepeat == Repeat::List);
}

bool PlayOrder::hasPrevious() const
{
    return !m_order.isEmpty() && (m_nNumber > 0 || m_nRepeat == Repeat::List);
}

bool PlayOrder::next()
{
    if (!hasNext())
        return false;
    if (++m_nNumber >= size())
        startRound(m_order.last());
    return true;
}

bool PlayOrder::previous()
{
    if (!hasPrevious())
        return false;
    m_nNumber = m_nNumber > 0 ? m_nNumber - 1 : size() - 1;
    return true;
}

PlayOrder::Ending PlayOrder::songEnded(int failedInARow)
{
    const int n = size();
    const bool skipping = failedInARow > 0;
    const bool stopHere = !skipping && std::exchange(m_bStopAfterCurrent, false);
    if (n == 0)
        return Ending::End;
    if (m_nRepeat != Repeat::Song || skipping)
        ++m_nNumber;
    if (m_nNumber >= n) {
        if (m_nRepeat == Repeat::Off || failedInARow >= n) {
            rewind();
            return Ending::End;
        }
        startRound(m_order.at(n - 1));
    }
    return stopHere ? Ending::StopHere : Ending::Next;
}

// Songs chosen to play next had their turn or lost it with the list's end: what is chosen from now on comes
// right after the current song, and a list in its own order is in list order again.
void PlayOrder::rewind()
{
    m_nNumber = 0;
    m_nChosenEnd = 0;
    if (!m_bShuffle)
        reset(size());
}

void PlayOrder::moveTo(int number)
{
    if (number >= 0 && number < size())
        m_nNumber = number;
}

int PlayOrder::find(const std::function<bool(int place)>& isSong) const
{
    const int n = size();
    for (int k = m_nNumber + 1; k < n; ++k) {
        if (isSong(m_order.at(k)))
            return k;
    }
    for (int k = qMin(m_nNumber - 1, n - 1); k >= 0; --k) {
        if (isSong(m_order.at(k)))
            return k;
    }
    return -1;
}

void PlayOrder::playAfterCurrent(int place)
{
    const int k = int(m_order.indexOf(place));
    if (k < 0 || k == m_nNumber)
        return;
    int to = qMax(m_nNumber + 1, m_nChosenEnd);
    m_order.removeAt(k);
    if (k < m_nNumber)
        --m_nNumber;
    if (k < to)
        --to;
    m_order.insert(to, place);
    m_nChosenEnd = to + 1;
}

QList<int> PlayOrder::upcoming(int ahead) const
{
    QList<int> places;
    const int n = size();
    if (m_bStopAfterCurrent || m_nNumber >= n) {
        // nothing follows
    } else if (m_nRepeat == Repeat::Song) {
        places << m_order.at(m_nNumber);
    } else {
        // The next round of a repeated list in its own order is the list order, whatever songs chosen to play
        // next did to this one.
        const bool round = m_nRepeat == Repeat::List && !m_bShuffle;
        const int end = round ? m_nNumber + 1 + qMin(n, ahead) : n;
        for (int k = m_nNumber + 1; k < end && places.size() < ahead; ++k)
            places << (k < n ? m_order.at(k) : k % n);
    }
    return places;
}

} // namespace QzMultiMedia
