// Fuzzes the service's request parsing with any query text.

#include "FuzzCheck.h"
#include "service/ServiceRequest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString query = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const ServiceRequest request = ServiceRequest::parse(query);

    const bool refused =
        request.kind() == ServiceRequest::Kind::Invalid || request.kind() == ServiceRequest::Kind::TooLong;
    fuzzCheck(refused != request.error().isEmpty(), "a refusal, and only a refusal, says why");
    for (const QString &symbol : request.symbols())
        fuzzCheck(!symbol.isEmpty(), "empty entries of the list are left out");
    return 0;
}
