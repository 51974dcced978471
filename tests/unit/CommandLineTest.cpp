// TovalSet's own command line, as GetCommandLineW gives it: the program's name, then the words.
#include "platform/CommandLine.h"

#include <gtest/gtest.h>

using namespace tovalset;
using Mode = Invocation::Mode;

TEST(CommandLine, EachFormAsksWhatTheUsageSays) {
    struct Case {
        const wchar_t* line;
        Mode mode;
        const wchar_t* file; // for Report: null for standard output
    };
    const Case cases[] = {
        // No option: the window, whatever follows.
        {L"TovalSet.exe", Mode::Window, nullptr},
        {L"\"C:\\Program Files\\TovalSet.exe\"", Mode::Window, nullptr},
        {L"TovalSet.exe   ", Mode::Window, nullptr},
        {L"TovalSet.exe report.txt /report", Mode::Window, nullptr},
        {L"TovalSet.exe \\report", Mode::Window, nullptr},
        // The name alone is no option, however it is spelled.
        {L"\"C:\\T -x\\TovalSet.exe\"", Mode::Window, nullptr},
        {L"C:\\T\\TovalSet.exe/report", Mode::Window, nullptr},
        // /report, with "/" or "-", in any case, to a file or to standard output.
        {L"TovalSet.exe /report", Mode::Report, nullptr},
        {L"TovalSet.exe -REPORT", Mode::Report, nullptr},
        {L"TovalSet.exe /Report report.txt", Mode::Report, L"report.txt"},
        {L"TovalSet.exe\t-rePort\tC:\\r.txt  ", Mode::Report, L"C:\\r.txt"},
        {L"\"C:\\My Tools\\TovalSet.exe\" /report \"C:\\Help Desk\\r.txt\"", Mode::Report,
         L"C:\\Help Desk\\r.txt"},
        {L"TovalSet.exe /report \"C:\\Help Desk\"\\r.txt", Mode::Report, L"C:\\Help Desk\\r.txt"},
        // A backslash before a quote makes it a quote character: not the end of a quoted part.
        {L"TovalSet.exe /report C:\\\"Help Desk\"\\r.txt", Mode::Misuse, nullptr},
        {L"TovalSet.exe /report \\\\server\\share\\r.txt", Mode::Report, L"\\\\server\\share\\r.txt"},
        {L"TovalSet.exe /report \u06af\u0632\u0627\u0631\u0634.txt", Mode::Report,
         L"\u06af\u0632\u0627\u0631\u0634.txt"},
        // Backslashes before a quote: pairs give one each, an odd one makes the quote a character.
        {L"TovalSet.exe /report \"a\\\\\"", Mode::Report, L"a\\"},
        {L"TovalSet.exe /report a\\\"b", Mode::Report, L"a\"b"},
        {L"TovalSet.exe /report \"a b", Mode::Report, L"a b"},
        {L"TovalSet.exe \"/report\"", Mode::Report, nullptr},
        {L"TovalSet.exe /?", Mode::Usage, nullptr},
        {L"TovalSet.exe -?", Mode::Usage, nullptr},
        // Misuse: more than one word after /report (a path with blanks and no quotes), an empty name, an
        // unknown word, and something after /?.
        {L"TovalSet.exe /report C:\\Help Desk\\r.txt", Mode::Misuse, nullptr},
        {L"TovalSet.exe /report a.txt b.txt", Mode::Misuse, nullptr},
        {L"TovalSet.exe /report \"\"", Mode::Misuse, nullptr},
        {L"TovalSet.exe /reports", Mode::Misuse, nullptr},
        {L"TovalSet.exe /report:a.txt", Mode::Misuse, nullptr},
        {L"TovalSet.exe --report", Mode::Misuse, nullptr},
        {L"TovalSet.exe /", Mode::Misuse, nullptr},
        {L"TovalSet.exe /? /report", Mode::Misuse, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const Invocation asked = InvocationOf(c.line);
        EXPECT_EQ(asked.mode, c.mode);
        EXPECT_EQ(asked.file.has_value(), c.file != nullptr);
        if (asked.file && c.file != nullptr) {
            EXPECT_EQ(*asked.file, c.file);
        }
        EXPECT_EQ(asked.problem.empty(), c.mode != Mode::Misuse);
    }
}
