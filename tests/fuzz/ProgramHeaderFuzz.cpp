// libFuzzer target for the PE header reader behind the start of a hidden tool and the status report: the
// first bytes of whatever file lies in the support folder under a program's name.
//
// Input layout: the file's first bytes as they are.

#include "platform/CommandLine.h"
#include "tests/fuzz/Promise.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace tovalset;

namespace {

void Require(bool holds, const char* promise) {
    fuzz::Require(holds, "ProgramHeaderFuzz", promise);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> head(data, data + size);
    const auto header = ProgramHeaderOf(head);
    if (!header) {
        return 0;
    }
    Require(header->bits == 32 || header->bits == 64, "a program is 32- or 64-bit");
    Require(size >= 2 && data[0] == 'M' && data[1] == 'Z', "a program starts with MZ");
    // The headers lie at the offsets they name: more of the file after them changes nothing.
    std::vector<std::uint8_t> longer = head;
    longer.resize(size + 64, 0xFF);
    const auto again = ProgramHeaderOf(longer);
    Require(again && again->console == header->console && again->bits == header->bits,
            "more bytes after the headers do not change what they say");
    return 0;
}
