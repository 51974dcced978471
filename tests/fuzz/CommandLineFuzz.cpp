// libFuzzer target for TovalSet's own command line: any line of wide characters (two input bytes each,
// little-endian), quotes, backslashes, blanks and tabs included, taken apart into words and read as an
// invocation.

#include "platform/CommandLine.h"
#include "tests/fuzz/Promise.h"

#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

using namespace tovalset;

namespace {

void Require(bool holds, const char* promise) {
    fuzz::Require(holds, "CommandLineFuzz", promise);
}

// A word quoted as a caller must quote it for a C runtime to give it back: in quotes, each quote after
// its backslashes doubled and escaped, and the backslashes before the closing quote doubled.
std::wstring Quoted(const std::wstring& word) {
    std::wstring quoted = L"\"";
    std::size_t slashes = 0;
    for (const wchar_t c : word) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        quoted.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        quoted += c;
    }
    quoted.append(slashes * 2, L'\\');
    return quoted + L"\"";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring line;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        line.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    const std::vector<std::wstring> words = ArgumentsOf(line);
    const std::size_t letters =
        std::accumulate(words.begin(), words.end(), std::size_t{0},
                        [](std::size_t sum, const std::wstring& word) { return sum + word.size(); });
    Require(letters + words.size() <= line.size(), "the words are no longer than the line");

    // The words, each quoted, after any program's name, come back as they are.
    std::wstring again = L"\"C:\\Program Files\\TovalSet.exe\"";
    for (const std::wstring& word : words) {
        again += L" " + Quoted(word);
    }
    Require(ArgumentsOf(again) == words, "quoted words come back as they are");

    const Invocation asked = InvocationOf(line);
    const bool option = !words.empty() && !words[0].empty() && (words[0][0] == L'/' || words[0][0] == L'-');
    Require((asked.mode == Invocation::Mode::Window) == !option, "only an option leaves the window");
    Require(asked.problem.empty() == (asked.mode != Invocation::Mode::Misuse), "a misuse says what is wrong");
    Require(!asked.file ||
                (asked.mode == Invocation::Mode::Report && words.size() == 2 && *asked.file == words[1]),
            "the file is the one word after /report");
    // Any one word, quoted, is the file of /report.
    for (const std::wstring& word : words) {
        const Invocation report = InvocationOf(L"TovalSet.exe -RePort " + Quoted(word));
        Require(word.empty() ? report.mode == Invocation::Mode::Misuse : report.file == word,
                "a quoted word after /report is its file");
    }
    return 0;
}
