#pragma once

#include <QList>

#include <functional>

class QRandomGenerator;

namespace QzMultiMedia {

// The order the songs of a list play in: the list's own or rounds of chance, repeated or not, with songs chosen
// to play next put in after the current one. It knows places in the list only (0 … size-1), never the songs,
// the pipeline or the clock: whoever plays asks it where to go and what comes after.
class PlayOrder
{
public:
    enum class Repeat { Off, List, Song };
    // What the end of the current song leads to.
    enum class Ending {
        Next, // the song now current plays
        StopHere, // the song now current waits, stopped: the list was to stop after the one that ended
        End, // the list is over; it stands at its first song again
    };

    // Rounds of chance come from random; the process-wide generator when none is given.
    explicit PlayOrder(QRandomGenerator* random = nullptr);

    // A new list of count songs, played from the start of the order.
    void reset(int count);
    // A list brought back whose current song is at place current: the order goes on from it.
    void restore(int count, int current);
    // count songs added at the list's end. Shuffled, they take places of chance among those still to come this
    // round; else they come after the rest, in list order.
    void append(int count);

    int size() const;
    // The places of the list in the order they play, 0 … size-1 in list order when nothing changed it.
    const QList<int>& places() const;
    // Where in the order the list stands, 0 … size-1.
    int number() const;
    // The place in the list of the song k-th in the order; -1 outside it.
    int at(int k) const;
    // The current song's place in the list; -1 for an empty list.
    int current() const;

    // On, a round of chance begins with the current song; off, the list order comes back around it.
    void setShuffle(bool on);
    bool isShuffle() const;
    void setRepeat(Repeat repeat);
    Repeat repeat() const;
    // The current song is the last: its end stops the list at the next one, and this is off again.
    void setStopAfterCurrent(bool on);
    bool isStopAfterCurrent() const;

    bool hasNext() const;
    bool hasPrevious() const;
    // The user's steps; false where there is none to take. They go round a repeated list.
    bool next();
    bool previous();
    // The current song ended, or was found unplayable (failedInARow songs so far, this one included). A song
    // repeated that cannot be played is passed over; a list that went round failing ends.
    Ending songEnded(int failedInARow = 0);
    // Back to the start of the order, as after the list's end.
    void rewind();
    // The song at that number of the order becomes current.
    void moveTo(int number);
    // The number of the nearest song of the order, after the current one and else before it, for which isSong
    // is true; -1 when there is none. The current song itself is never taken.
    int find(const std::function<bool(int place)>& isSong) const;
    // The song at this place plays after the current one, after those chosen so before it. It has only this
    // turn in the order. The current song, or a place not in the list, changes nothing.
    void playAfterCurrent(int place);

    // The places of the songs that will follow the current one as things stand, at most ahead of them: what a
    // player may take in advance. Nothing when the list stops after this song; a repeated song comes again; a
    // repeated list in its own order goes round, a shuffled one only at its round's end.
    QList<int> upcoming(int ahead) const;

private:
    void shuffle(int first, int count);
    void startRound(int after);

    QRandomGenerator* m_pRandom;
    QList<int> m_order;
    int m_nNumber = 0;
    int m_nChosenEnd = 0; // the songs chosen to play next end before this number of the order
    bool m_bShuffle = false;
    Repeat m_nRepeat = Repeat::Off;
    bool m_bStopAfterCurrent = false;
};

} // namespace QzMultiMedia
