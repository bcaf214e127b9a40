#pragma once

#include "service/Catalogue.h"
#include "service/ScripQuote.h"

#include <QMutex>

#include <functional>
#include <vector>

// The simulated trading day. Each scrip takes one step of a seeded random walk
// for every kStepMs that has passed since the market opened; steps are taken
// lazily, when the scrip is next asked for, so idle scrips cost nothing.
// Most steps leave the price alone, which keeps a good share of rows
// unchanged between two refreshes five seconds apart.
// Several threads may ask at once: the steps are taken under a lock.
class Market
{
public:
    static constexpr qint64 kStepMs = 1000;
    static constexpr qint64 kTickCents = 5;          // prices move in steps of 0.05
    static constexpr qint64 kFloorCents = 100;       // no scrip trades below 1.00
    static constexpr double kMoveChance = 0.12;      // share of steps that move the price
    static constexpr double kTradeChance = 0.5;      // share of steps that add volume
    static constexpr qint64 kMaxCatchUpSteps = 3600; // an idle scrip replays at most an hour

    // The catalogue must outlive the market.
    Market(const Catalogue &catalogue, quint64 seed);

    // The states of the scrips at indexes, in that order, all at one moment
    // (counted from the market's opening):
    // clock() is read under the lock, so that the moments of two calls follow
    // each other as they would one after the other.
    std::vector<ScripQuote> quotes(const std::vector<int> &indexes, const std::function<qint64()> &clock);

private:
    struct ScripState
    {
        ScripQuote quote;
        qint64 stepsTaken = 0;
        qint64 spreadTicks = 1;
    };

    ScripState opening(int index) const;
    void catchUp(int index, qint64 nowMs);
    void step(int index, ScripState &state) const;
    qint64 moveCents(int index, const ScripState &state) const;
    qint64 tradedShares(int index, const ScripState &state) const;
    static qint64 toTick(qint64 cents);

    const Catalogue &m_catalogue;
    quint64 m_seed;
    QMutex m_mutex; // guards m_states
    std::vector<ScripState> m_states;
};
