// libFuzzer target for the reader of the mark of the web: whatever a file's Zone.Identifier stream holds,
// in the support folder or beside TovalSet.
//
// Input layout: the stream's bytes as they are.

#include "platform/ZoneMark.h"
#include "tests/fuzz/Promise.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace tovalset;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> stream(data, data + size);
    const auto zone = ZoneIdOf(stream);
    if (!zone) {
        return 0;
    }
    // A zone is read from its digits: it is one the stream spells out.
    const std::string text(stream.begin(), stream.end());
    const bool wide = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    fuzz::Require(wide || text.find(std::to_string(*zone)) != std::string::npos, "ZoneMarkFuzz",
                  "the zone is spelt in the stream");
    fuzz::Require(!ZoneName(*zone).empty(), "ZoneMarkFuzz", "every zone has a name");
    return 0;
}
