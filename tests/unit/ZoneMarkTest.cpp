#include "platform/ZoneMark.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace tovalset;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> Utf16(const std::string& text) {
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
    for (const char c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(0);
    }
    return bytes;
}

} // namespace

// The Zone.Identifier stream as Explorer, the browsers and other tools write it.
TEST(ZoneMark, ReadsTheZoneOfEachShapeOfStream) {
    struct Case {
        const char* name = nullptr;
        std::vector<std::uint8_t> stream;
        std::optional<std::uint32_t> zone;
    };
    const Case cases[] = {
        {"Explorer's", Bytes("[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=about:internet\r\n"), 3},
        {"line feeds only, blanks around", Bytes("[ZoneTransfer]\n  zoneid = 4 \n"), 4},
        {"UTF-16", Utf16("[ZoneTransfer]\r\nZoneId=3\r\n"), 3},
        {"the zone in another section", Bytes("[Other]\r\nZoneId=3\r\n"), std::nullopt},
        {"the section after another", Bytes("[Other]\r\nZoneId=4\r\n[ZoneTransfer]\r\nZoneId=1\r\n"), 1},
        {"no number", Bytes("[ZoneTransfer]\r\nZoneId=three\r\n"), std::nullopt},
        {"a number too long", Bytes("[ZoneTransfer]\r\nZoneId=99999999999\r\n"), std::nullopt},
        {"empty", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ZoneIdOf(c.stream), c.zone);
    }
    EXPECT_EQ(ZoneName(3), L"Internet");
    EXPECT_EQ(ZoneName(4), L"Restricted sites");
    EXPECT_EQ(ZoneName(7), L"zone 7");
}
