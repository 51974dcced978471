// libFuzzer target for the registry value reader: any value type, any data, failing calls with any status,
// and a value rewritten between the size probe and the read, all through the recording fake. A broken
// promise of the reader aborts, so libFuzzer keeps the input as a crash.
//
// Input layout (a byte past the end reads as 0, so every input is a case):
//   route     bits 0-1  0 GetString on the HKLM path, 1 RegQueryStringValue on a key opened for it,
//                       2 on KeyHandle 0, 3 on HKEY_LOCAL_MACHINE itself with the value at the root
//             bit 2     the value is missing: only another name is stored
//             bit 3     RegOpenKeyA fails (GetString)
//             bit 4     RegCloseKey fails (GetString)
//             bits 5-6  the RegQueryValueExA that fails: 0 none, else the 1st, 2nd or 3rd
//   type      low 3 bits: 0 REG_NONE, 1 REG_SZ, 2 REG_EXPAND_SZ, 3 REG_DWORD, 4 REG_MULTI_SZ, 5 REG_SZ,
//             6 REG_NONE, 7 the number in the 4 bytes that follow (little-endian)
//   statuses  one byte each for the failing RegOpenKeyA, RegQueryValueExA and RegCloseKey, in that order
//             and only for those chosen; low 3 bits: status 2, 5, 6, 234 (ERROR_MORE_DATA), -1, INT32_MIN,
//             1, or 7 for the number in the 4 bytes that follow
//   rewrite   bits 0-1  the value is rewritten just before the 2nd (1) or 3rd (2) RegQueryValueExA; 0 or 3
//                       never
//             bit 2     the rewrite changes the type: a type selector follows
//             then      (only when rewritten) a length byte and that many bytes of the new data
//   rest      the value's data, any length
// tests/fuzz/make-corpus.sh writes the committed seeds in this layout.

#include "actions/readers/RegistryReader.h"
#include "tests/fake/FakePlatform.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <string>
#include <vector>

using namespace tovalset;
using tovalset::fake::FakePlatform;
using tovalset::fake::RegValue;

namespace {

const std::wstring kPath = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const std::wstring kName = L"ProductName";

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t Word() {
        std::uint32_t word = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            word |= static_cast<std::uint32_t>(Byte()) << shift;
        }
        return word;
    }
    std::vector<std::uint8_t> Bytes(std::size_t count) {
        const std::size_t taken = std::min(count, size_ - at_);
        std::vector<std::uint8_t> bytes(data_ + at_, data_ + at_ + taken);
        at_ += taken;
        return bytes;
    }
    std::vector<std::uint8_t> Rest() { return Bytes(size_ - at_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Mostly the types the reader tells apart, and now and then any number at all.
std::uint32_t ValueType(Input& in) {
    constexpr std::uint32_t kTypes[] = {REG_NONE, REG_SZ, 2, REG_DWORD, 7, REG_SZ, REG_NONE};
    const unsigned choice = in.Byte() & 7u;
    return choice < 7 ? kTypes[choice] : in.Word();
}

// A failure status. Zero is never chosen: the fake would then report success without filling in the type
// or the size, which no registry does.
RegStatus Status(Input& in) {
    constexpr RegStatus kLowest = std::numeric_limits<RegStatus>::min();
    constexpr RegStatus kStatuses[] = {
        fake::kFileNotFound, fake::kAccessDenied, fake::kInvalidHandle, fake::kMoreData, -1, kLowest, 1};
    const unsigned choice = in.Byte() & 7u;
    if (choice < 7) {
        return kStatuses[choice];
    }
    const auto raw = static_cast<RegStatus>(in.Word());
    return raw == 0 ? fake::kMoreData : raw;
}

// What the reader promises for a value it finds: REG_SZ is its text up to the first NUL, each ANSI byte
// widened as the fake's code page does; REG_NONE of at most two bytes is its 16-bit signed number; the
// rest is empty.
std::wstring Reading(std::uint32_t type, const std::vector<std::uint8_t>& data) {
    if (type == REG_SZ) {
        std::wstring text;
        for (const std::uint8_t byte : data) {
            if (byte == 0) {
                break;
            }
            text.push_back(static_cast<wchar_t>(byte));
        }
        return text;
    }
    if (type == REG_NONE && data.size() <= 2) {
        const unsigned low = data.empty() ? 0 : data[0];
        const unsigned high = data.size() < 2 ? 0 : data[1];
        return std::to_wstring(static_cast<std::int16_t>(low | (high << 8)));
    }
    return {};
}

bool Readable(std::uint32_t type, std::size_t size) {
    return type == REG_SZ || (type == REG_NONE && size <= 2);
}

void Require(bool holds, const char* promise, const std::wstring& result) {
    if (!holds) {
        std::fprintf(stderr, "RegistryReaderFuzz: broken: %s (result \"%s\")\n", promise,
                     fake::Narrow(result).c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::uint8_t route = in.Byte();
    const unsigned via = route & 3u;
    const bool missing = (route & 4u) != 0;
    const bool failOpen = via == 0 && (route & 8u) != 0;
    const bool failClose = via == 0 && (route & 16u) != 0;
    const int failQuery = (route >> 5) & 3;
    const std::uint32_t type = ValueType(in);
    const RegStatus openStatus = failOpen ? Status(in) : 0;
    const RegStatus queryStatus = failQuery != 0 ? Status(in) : 0;
    const RegStatus closeStatus = failClose ? Status(in) : 0;
    const std::uint8_t rewrite = in.Byte();
    const int rewriteAt = (rewrite & 3u) == 1 ? 2 : (rewrite & 3u) == 2 ? 3 : 0;
    RegValue rewritten{type, {}};
    if (rewriteAt != 0) {
        if ((rewrite & 4u) != 0) {
            rewritten.type = ValueType(in);
        }
        rewritten.data = in.Bytes(in.Byte());
    }
    const RegValue value{type, in.Rest()};

    FakePlatform os;
    // At the root the value sits in HKLM itself; elsewhere in the key the reader opens, or is handed.
    const std::wstring keyPath = via == 3 ? L"HKLM" : L"HKLM\\" + kPath;
    const std::wstring storedName = missing ? L"EditionID" : kName;
    os.SetValue(keyPath, storedName, value);

    // Handed to the reader on route 2 as it is: a handle that names no open key.
    KeyHandle key = KeyHandle::None;
    if (via == 1) {
        // Poisoned, so that an open reporting success without handing out its key is caught here.
        const KeyHandle poison{0xBADu};
        key = poison;
        Require(os.RegOpenKeyA(kLocalMachine, kPath, key) == 0 && key != poison, "the fuzzer's own key opens",
                L"");
    } else if (via == 3) {
        key = kLocalMachine;
    }

    if (failOpen) {
        os.Fail("RegOpenKeyA", 1, openStatus);
    }
    if (failQuery != 0) {
        os.Fail("RegQueryValueExA", failQuery, queryStatus);
    }
    if (failClose) {
        os.Fail("RegCloseKey", 1, closeStatus);
    }
    std::map<std::string, int> counts;
    os.beforeCall = [&](const std::string& operation) {
        const int occurrence = ++counts[operation];
        if (operation == "RegQueryValueExA" && occurrence == rewriteAt) {
            os.SetValue(keyPath, storedName, rewritten);
        }
    };

    const std::wstring result =
        via == 0 ? GetString(os, kLocalMachine, kPath, kName) : RegQueryStringValue(os, key, kName);

    const auto count = [&](const char* operation) {
        const auto found = counts.find(operation);
        return found == counts.end() ? 0 : found->second;
    };
    const int queries = count("RegQueryValueExA");
    Require(queries <= 2, "a value is probed and read, nothing more", result);
    if (via == 0) {
        Require(count("RegOpenKeyA") == 1 && count("RegCloseKey") == 1, "GetString opens and closes once",
                result);
        // A close that fails leaves the fake's key open; that is the system's doing, not a leak.
        Require(os.OpenKeyCount() == (failClose && !failOpen ? 1u : 0u), "GetString leaves no key open",
                result);
    } else {
        Require(counts.size() == (queries == 0 ? 0u : 1u), "an open key is only queried", result);
        Require(os.OpenKeyCount() == (via == 1 ? 1u : 0u), "the caller's key stays open", result);
    }

    const bool reached = !missing && via != 2 && !failOpen;
    const bool probeFailed = failQuery == 1;
    const bool readFailed = failQuery == 2 && queries >= 2;
    if (!reached || probeFailed || readFailed || !Readable(value.type, value.data.size())) {
        Require(result.empty(), "a value not found, not read or of another type gives empty text", result);
        return 0;
    }
    if (rewriteAt == 0 || queries < rewriteAt) {
        Require(result == Reading(value.type, value.data), "a value reads as its type says", result);
        return 0;
    }
    // Rewritten between the probe and the read: text from one of the two values, never a mix; a value
    // that outgrew what the probe found room for gives nothing.
    const bool outgrew =
        value.type == REG_SZ ? rewritten.data.size() > value.data.size() : rewritten.data.size() > 2;
    Require(result.empty() || (!outgrew && (result == Reading(value.type, rewritten.data) ||
                                            result == Reading(rewritten.type, rewritten.data))),
            "a value rewritten since the probe gives empty text or the new value's reading", result);
    return 0;
}
