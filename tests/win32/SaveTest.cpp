// The status report's Save on the real file system: whole or nothing, whatever stops it. The tests run as
// root under Wine, where no folder is denied, so each fault is one root cannot pass either.
#include <windows.h>

#include "platform/win32/Files.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace tovalset;

namespace {

// The real facts, with the desktop where the test says: a scratch folder, or one that cannot be found.
class DesktopAt : public win32::Win32ReportFacts {
public:
    explicit DesktopAt(Fact<std::wstring> folder) : folder_(std::move(folder)) {}
    Fact<std::wstring> DesktopFolder() override { return folder_; }

private:
    Fact<std::wstring> folder_;
};

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

TEST(Save, WritesTheWholeReportOrLeavesNoFile) {
    const std::wstring name = L"TovalSet report 2026-12-09 14-05-09.txt";
    const std::wstring inFolder = L"\\" + name;
    const std::wstring text = L"TovalSet status report\r\nProgram folder: C:\\\x0641\r\n";
    struct Case {
        const char* fault;
        bool folderFound;
        // What stands in the folder before Save, given the report's path.
        std::function<void(const std::wstring&)> arrange;
        bool saves;
        DWORD error; // on failure; ERROR_SUCCESS: any code the system gives
    };
    const Case cases[] = {
        {"none", true, [](const std::wstring&) {}, true, ERROR_SUCCESS},
        {"the desktop folder cannot be found", false, [](const std::wstring&) {}, false,
         ERROR_PATH_NOT_FOUND},
        {"a folder stands at the partial file's name, so it cannot be made", true,
         [](const std::wstring& path) {
             ASSERT_TRUE(CreateDirectoryW((path + L".partial").c_str(), nullptr));
         },
         false, ERROR_SUCCESS},
        {"a folder with a folder in it stands at the report's name, so the rename fails", true,
         [](const std::wstring& path) {
             ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
             ASSERT_TRUE(CreateDirectoryW((path + L"\\kept").c_str(), nullptr));
         },
         false, ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        const test::ScratchFolder scratch;
        const std::wstring folder = win32::FromAnsi(scratch.path());
        const std::wstring path = folder + inFolder;
        c.arrange(path);
        DesktopAt facts(c.folderFound ? Fact<std::wstring>{folder}
                                      : Fact<std::wstring>{std::nullopt, ERROR_PATH_NOT_FOUND, L"not found"});
        const win32::SavedFile saved = win32::SaveOnDesktop(facts, name, text);
        EXPECT_EQ(saved.path, c.folderFound ? path : inFolder);
        EXPECT_FALSE(IsFile(path + L".partial"));
        if (c.saves) {
            EXPECT_EQ(saved.error, static_cast<DWORD>(ERROR_SUCCESS));
            EXPECT_EQ(test::FileText(scratch.path() + "\\" + win32::ToAnsi(name)), win32::Utf8WithMark(text));
            continue;
        }
        // The system's own reason, for the box that tells it.
        EXPECT_NE(saved.error, static_cast<DWORD>(ERROR_SUCCESS));
        if (c.error != ERROR_SUCCESS) {
            EXPECT_EQ(saved.error, c.error);
        }
        EXPECT_EQ(win32::SystemErrorText(saved.error).rfind(L"error ", 0), std::wstring::npos)
            << win32::ToAnsi(win32::SystemErrorText(saved.error));
        EXPECT_FALSE(IsFile(path));
    }
}
