// libFuzzer target for the build number that decides between "Windows 10" and "Windows 11": any product
// name and any recorded build number, read through the reader and the recording fake.
//
// Input layout: the product name's bytes, a NUL, then the build number's bytes, each stored as REG_SZ
// (one byte one character of the fake's code page). Without a NUL there is no build number value.

#include "actions/readers/MachineFacts.h"
#include "tests/fuzz/Promise.h"
#include "tests/fake/FakePlatform.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace tovalset;

namespace {

const std::wstring kKey = L"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

void Require(bool holds, const char* promise) {
    fuzz::Require(holds, "BuildNumberFuzz", promise);
}

std::wstring Widened(const std::vector<std::uint8_t>& bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), 0);
    return std::wstring(bytes.begin(), end);
}

void Store(fake::FakePlatform& os, const wchar_t* name, std::vector<std::uint8_t> bytes) {
    bytes.push_back(0);
    os.SetValue(kKey, name, {REG_SZ, bytes});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t* const end = data + size;
    const std::uint8_t* const split = std::find(data, end, 0);
    const std::vector<std::uint8_t> name(data, split);
    const bool hasBuild = split != end;
    const std::vector<std::uint8_t> build(hasBuild ? split + 1 : end, end);

    fake::FakePlatform os;
    Store(os, L"ProductName", name);
    if (hasBuild) {
        Store(os, L"CurrentBuildNumber", build);
    }
    const std::wstring shown = OsProductName(os);

    const std::wstring recorded = Widened(name);
    const std::wstring windows10 = L"Windows 10";
    const bool renamed = recorded.compare(0, windows10.size(), windows10) == 0 &&
                         shown == L"Windows 11" + recorded.substr(windows10.size());
    Require(shown == recorded || renamed, "the name is shown as recorded, or with Windows 11 for Windows 10");

    // A plain number from 22000 to 999999999 is a Windows 11 build; text with anything but digits in it, or
    // none at all, is no build number. (Longer numbers are no real build; either reading will do.)
    const std::wstring number = hasBuild ? Widened(build) : std::wstring();
    const bool digits = !number.empty() && std::all_of(number.begin(), number.end(),
                                                       [](wchar_t c) { return c >= L'0' && c <= L'9'; });
    const bool plain = digits && number[0] != L'0' && number.size() <= 9;
    if (recorded.compare(0, windows10.size(), windows10) == 0) {
        if (plain) {
            Require(renamed == (number.size() > 5 || (number.size() == 5 && number >= L"22000")),
                    "a Windows 10 name becomes Windows 11 exactly from build 22000 on");
        } else if (!digits) {
            Require(!renamed, "a build number that is not all digits leaves the name alone");
        }
    }
    return 0;
}
