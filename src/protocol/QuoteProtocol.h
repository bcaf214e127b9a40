#pragma once

#include <QtGlobal>

// What the program and the demo quote service agree on, in one place: both
// include this header, so that neither side can change a fact alone.
//
// A quote request is "GET <base>?scr=<list>&tl=1[&ft=1]" for quotes of a
// comma-separated list of symbols, or "GET <base>?src=<text>&tl=1" for a
// search. A quote reply holds one line per known symbol, its fields in the
// order of Field, separated by commas.
namespace QuoteProtocol {

// The fields of a quote line by position. A first fetch (ft=1) adds Open and
// PrevClose after Volume; a later fetch ends at Volume.
enum Field : int {
    Symbol = 0,
    Bid,
    Ask,
    Ltp,
    ChangePct, // "(+1.25%)"
    TrendText, // "UP", "DOWN" or "EVEN"
    High,
    Low,
    Volume,
    Open,
    PrevClose,
};
constexpr int kFieldCount = PrevClose + 1;  // on a first fetch
constexpr int kLaterFetchFieldCount = Open; // without Open and PrevClose

constexpr int fieldCount(bool firstFetch)
{
    return firstFetch ? kFieldCount : kLaterFetchFieldCount;
}

// The path of every request.
constexpr char kPath[] = "/quote";

// The request's parameter names, as they stand in the query.
constexpr char kQuotesParameter[] = "scr";    // the comma-separated list of symbols
constexpr char kSearchParameter[] = "src";    // the search text
constexpr char kTextParameter[] = "tl";       // always "1": answer in plain text
constexpr char kFirstFetchParameter[] = "ft"; // "1" on a row's first fetch
constexpr char kOnValue[] = "1";              // the value of tl, and of ft when given

// The longest list the program keeps and the service answers, in symbols.
constexpr int kLongestList = 32765;

// The response header of a quote reply that names where its prices come
// from, as the status line shows it: "simulated market", or a provider and its
// feed ("Alpaca, IEX"). A reply without it names no source.
constexpr char kSourceHeader[] = "X-Quote-Source";
constexpr char kSimulatedSource[] = "simulated market";

// An advertisement reply, sent in place of data, carries the header
// "PICS-Label: PICADS <link>": its picture is the body, and its link is the
// header's value past the marker and one character after it.
constexpr char kAdvertHeader[] = "PICS-Label";
constexpr char kAdvertMarker[] = "PICADS";
constexpr int kAdvertLinkAt = sizeof kAdvertMarker; // the marker's length, and one

// The port the service listens on and the program asks, on 127.0.0.1.
constexpr quint16 kDefaultPort = 8425;

} // namespace QuoteProtocol
