#pragma once
// The mark of the web: the zone a file came from, which the browser or Explorer's "Extract all" writes into
// the file's Zone.Identifier stream. Portable: the host reads every shape of the stream, and fuzzes it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tovalset {

// The zones of the marks that stop what they mark: the help viewer shows no page of a file marked so.
constexpr std::uint32_t kInternetZone = 3;
constexpr std::uint32_t kRestrictedZone = 4;

// The zone's name as Internet Options shows it ("Internet", "Restricted sites"); "zone <n>" for another.
std::wstring ZoneName(std::uint32_t zone);

// The ZoneId of the [ZoneTransfer] section of a Zone.Identifier stream (ANSI, or UTF-16 with its byte-order
// mark); none when the stream names no zone.
std::optional<std::uint32_t> ZoneIdOf(const std::vector<std::uint8_t>& stream);

} // namespace tovalset
