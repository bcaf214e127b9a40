#include "service/Market.h"

#include "service/SeededNoise.h"

#include <algorithm>
#include <limits>

namespace {

// Separate channels keep the draws of one step independent of each other.
enum Channel : quint64 {
    kGapChannel = 1,
    kOpenChannel,
    kVolumeChannel,
    kMoveChannel,
    kDirectionChannel,
    kSizeChannel,
    kTradeChannel,
    kSharesChannel,
    kSpreadChannel,
};

// The simulated day never trades more than this; a provider's volume may.
constexpr qint64 kVolumeCeiling = std::numeric_limits<qint32>::max();

// A lot whose value is near 100,000: cheap scrips trade in more shares.
qint64 lotShares(qint64 priceCents)
{
    return std::max<qint64>(1, 10'000'000 / std::max<qint64>(priceCents, 1));
}

} // namespace

Market::Market(const Catalogue &catalogue, quint64 seed)
    : m_catalogue(catalogue)
    , m_seed(seed)
{
    m_states.reserve(size_t(catalogue.size()));
    for (int index = 0; index < catalogue.size(); ++index)
        m_states.push_back(opening(index));
}

std::vector<ScripQuote> Market::quotes(const std::vector<int> &indexes, const std::function<qint64()> &clock)
{
    std::vector<ScripQuote> quotes;
    quotes.reserve(indexes.size());
    const QMutexLocker locker(&m_mutex);
    const qint64 nowMs = clock();
    for (int index : indexes) {
        catchUp(index, nowMs);
        quotes.push_back(m_states[size_t(index)].quote);
    }
    return quotes;
}

Market::ScripState Market::opening(int index) const
{
    const quint64 scrip = quint64(index);
    const qint64 reference = m_catalogue.at(index).referenceCents;
    ScripState state;
    // Yesterday closed within 2% of the reference, today opened within 1% of that.
    const double gap = SeededNoise::uniform(m_seed, scrip, 0, kGapChannel) * 0.04 - 0.02;
    const double open = SeededNoise::uniform(m_seed, scrip, 0, kOpenChannel) * 0.02 - 0.01;
    ScripQuote &quote = state.quote;
    quote.prevCloseCents = toTick(qint64(double(reference) * (1 + gap)));
    quote.openCents = toTick(qint64(double(quote.prevCloseCents) * (1 + open)));
    quote.lastCents = quote.highCents = quote.lowCents = quote.openCents;
    quote.volume = std::min<qint64>(
        kVolumeCeiling, lotShares(quote.openCents) * SeededNoise::between(m_seed, scrip, 0, kVolumeChannel, 10, 2000));
    state.spreadTicks = SeededNoise::between(m_seed, scrip, 0, kSpreadChannel, 1, 3);
    quote.bidCents = quote.lastCents - state.spreadTicks * kTickCents;
    quote.askCents = quote.lastCents + state.spreadTicks * kTickCents;
    return state;
}

void Market::catchUp(int index, qint64 nowMs)
{
    ScripState &state = m_states[size_t(index)];
    const qint64 due = std::max<qint64>(0, nowMs / kStepMs);
    if (due - state.stepsTaken > kMaxCatchUpSteps)
        state.stepsTaken = due - kMaxCatchUpSteps; // skip what nobody watched
    while (state.stepsTaken < due)
        step(index, state);
}

void Market::step(int index, ScripState &state) const
{
    ++state.stepsTaken;
    const quint64 scrip = quint64(index);
    const quint64 number = quint64(state.stepsTaken);
    ScripQuote &quote = state.quote;
    const bool moves = SeededNoise::uniform(m_seed, scrip, number, kMoveChannel) < kMoveChance;
    if (moves) {
        quote.lastCents = std::max(kFloorCents, quote.lastCents + moveCents(index, state));
        quote.highCents = std::max(quote.highCents, quote.lastCents);
        quote.lowCents = std::min(quote.lowCents, quote.lastCents);
        state.spreadTicks = SeededNoise::between(m_seed, scrip, number, kSpreadChannel, 1, 3);
    }
    if (moves || SeededNoise::uniform(m_seed, scrip, number, kTradeChannel) < kTradeChance)
        quote.volume = std::min<qint64>(kVolumeCeiling, quote.volume + tradedShares(index, state));
    quote.bidCents = quote.lastCents - state.spreadTicks * kTickCents;
    quote.askCents = quote.lastCents + state.spreadTicks * kTickCents;
}

qint64 Market::moveCents(int index, const ScripState &state) const
{
    const quint64 scrip = quint64(index);
    const quint64 number = quint64(state.stepsTaken);
    const ScripQuote &quote = state.quote;
    // A move is about 0.07% of the price, at least one tick. The pull towards
    // yesterday's close keeps a long-running day within a few per cent.
    const double typicalTicks = double(quote.lastCents) * 0.0007 / double(kTickCents);
    const qint64 ticks = 1 + qint64(SeededNoise::uniform(m_seed, scrip, number, kSizeChannel) * 2 * typicalTicks);
    const double drift = double(quote.lastCents - quote.prevCloseCents) / double(quote.prevCloseCents);
    const double upChance = 0.5 - std::clamp(drift * 2.5, -0.2, 0.2);
    const bool up = SeededNoise::uniform(m_seed, scrip, number, kDirectionChannel) < upChance;
    return (up ? 1 : -1) * ticks * kTickCents;
}

qint64 Market::tradedShares(int index, const ScripState &state) const
{
    const qint64 lots = SeededNoise::between(m_seed, quint64(index), quint64(state.stepsTaken), kSharesChannel, 1, 20);
    return lots * lotShares(state.quote.lastCents);
}

qint64 Market::toTick(qint64 cents)
{
    return std::max(kFloorCents, (cents + kTickCents / 2) / kTickCents * kTickCents);
}
