#include "web/ServiceAddress.h"

#include "web/Unscramble.h"

namespace ServiceAddress {
namespace {

// "http://127.0.0.1:8425/quote", every code raised by five.
constexpr char16_t kScrambledBase[] = u"myyu?4467<353536?=97:4vztyj";
constexpr qint16 kBaseKey = 6;

} // namespace

std::optional<QString> builtIn()
{
    qint16 key = kBaseKey;
    return Unscramble(QString::fromUtf16(kScrambledBase), key);
}

std::optional<QString> base()
{
    const QString fromEnvironment = qEnvironmentVariable("TICKERLOOM_SERVICE_URL");
    if (fromEnvironment.isEmpty())
        return builtIn();
    return fromEnvironment;
}

} // namespace ServiceAddress
