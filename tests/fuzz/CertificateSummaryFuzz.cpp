// libFuzzer target for the DER reader behind the status report: any file in the support folder, read as
// the report reads it (PEM or DER, then the subject's common name and the end of validity).
//
// Input layout: the file as it is.

#include "platform/CertificateFile.h"
#include "tests/fuzz/Promise.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace tovalset;

namespace {

void Require(bool holds, const char* promise) {
    fuzz::Require(holds, "CertificateSummaryFuzz", promise);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> der = DerOf(std::vector<std::uint8_t>(data, data + size));
    const auto summary = Summarize(der);
    if (!summary) {
        return 0;
    }
    // "yyyy-mm-dd hh:mm:ss", which the report compares with the clock as text.
    const std::string& end = summary->notAfter;
    Require(end.size() == 19, "the end of validity is 19 characters");
    for (std::size_t i = 0; i < end.size(); ++i) {
        const char expected = i == 4 || i == 7 ? '-' : i == 10 ? ' ' : i == 13 || i == 16 ? ':' : '0';
        Require(expected == '0' ? IsDigit(end[i]) : end[i] == expected,
                "the end of validity reads yyyy-mm-dd hh:mm:ss");
    }
    // The certificate is the first element and its length says where it ends: what follows is not read.
    std::vector<std::uint8_t> longer = der;
    longer.push_back(0x30);
    const auto again = Summarize(longer);
    Require(again && again->commonName == summary->commonName && again->notAfter == end,
            "bytes after the certificate do not change what it says");
    return 0;
}
