#include "platform/CommandLine.h"

namespace tovalset {

namespace {

bool HasExtension(const std::wstring& path) {
    const std::size_t name = path.find_last_of(L"\\/:");
    const std::size_t dot = path.find_last_of(L'.');
    return dot != std::wstring::npos && (name == std::wstring::npos || dot > name);
}

} // namespace

std::wstring ProgramFileOf(const std::wstring& commandLine) {
    std::wstring word;
    if (!commandLine.empty() && commandLine.front() == L'"') {
        const std::size_t end = commandLine.find(L'"', 1);
        word = commandLine.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
    } else {
        word = commandLine.substr(0, commandLine.find_first_of(L" \t"));
    }
    if (!word.empty() && !HasExtension(word)) {
        word += L".exe";
    }
    return word;
}

} // namespace tovalset
