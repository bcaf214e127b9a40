#include "web/ServiceAddress.h"

#include "protocol/QuoteProtocol.h"
#include "web/Unscramble.h"

#include <array>
#include <string_view>

namespace ServiceAddress {
namespace {

constexpr qint16 kBaseKey = 6;
constexpr char16_t kRaise = kBaseKey - 1; // Unscramble lowers the key by one first

// The built-in address is the demo service's own, "http://127.0.0.1:8425/quote"
// today, built from the protocol's port and path: a change there moves the
// program with the service. It is kept scrambled, every code raised, as the
// address has always been kept.
constexpr std::string_view kSchemeAndHost = "http://127.0.0.1:";
constexpr std::string_view kPath = QuoteProtocol::kPath;

constexpr size_t digitCount(unsigned number)
{
    return number < 10 ? 1 : 1 + digitCount(number / 10);
}

constexpr size_t kBaseLength = kSchemeAndHost.size() + digitCount(QuoteProtocol::kDefaultPort) + kPath.size();

constexpr std::array<char16_t, kBaseLength> scrambledBase()
{
    std::array<char16_t, kBaseLength> text{};
    size_t at = 0;
    for (char c : kSchemeAndHost)
        text[at++] = char16_t(c + kRaise);
    for (unsigned rest = QuoteProtocol::kDefaultPort, digit = unsigned(digitCount(rest)); digit > 0; rest /= 10)
        text[at + --digit] = char16_t(u'0' + rest % 10 + kRaise);
    at += digitCount(QuoteProtocol::kDefaultPort);
    for (char c : kPath)
        text[at++] = char16_t(c + kRaise);
    return text;
}

constexpr std::array<char16_t, kBaseLength> kScrambledBase = scrambledBase();

} // namespace

std::optional<QString> builtIn()
{
    qint16 key = kBaseKey;
    return Unscramble(QString::fromUtf16(kScrambledBase.data(), qsizetype(kBaseLength)), key);
}

std::optional<QString> base()
{
    const QString fromEnvironment = qEnvironmentVariable("TICKERLOOM_SERVICE_URL");
    if (fromEnvironment.isEmpty())
        return builtIn();
    return fromEnvironment;
}

} // namespace ServiceAddress
