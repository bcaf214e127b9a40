// Fuzzes the reading of the market-data provider's snapshots reply with any
// bytes, and the quote lines written from what it read.

#include "FuzzCheck.h"
#include "service/ReplyBuilder.h"
#include "service/SnapshotReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView json(reinterpret_cast<const char *>(data), qsizetype(size));
    const SnapshotReader::Result read = SnapshotReader::read(json);
    fuzzCheck(read.error.isEmpty() || read.quotes.empty(), "a reply refused whole gives no quote");
    std::vector<QByteArray> codes;
    std::vector<ScripQuote> quotes;
    for (const auto &[symbol, quote] : read.quotes) {
        fuzzCheck(SnapshotReader::isUsableSymbol(symbol), "every quote's symbol can stand in a line");
        for (qint64 cents : {quote.bidCents, quote.askCents, quote.lastCents, quote.openCents, quote.highCents,
                             quote.lowCents, quote.prevCloseCents, quote.volume})
            fuzzCheck(cents == ScripQuote::kBlank || cents >= 0, "a value is blank or not negative");
        codes.push_back(symbol.toLatin1());
        quotes.push_back(quote);
    }
    const QByteArray lines = ReplyBuilder::quotes({codes.begin(), codes.end()}, quotes, true);
    fuzzCheck(lines.count('\n') == qsizetype(read.quotes.size()), "one line for each quote");
    fuzzCheck(lines.count(',') == qsizetype(read.quotes.size()) * 10, "eleven fields on every line");
    return 0;
}
