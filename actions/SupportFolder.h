#pragma once
// The support folder, "All" under the current directory, and the names in it that the buttons use and the
// status report looks at: one place for each.

#include <string>

namespace tovalset {

constexpr const wchar_t* kSupportFolder = L"All";
// The certificate manager as its command line names it (Windows adds ".exe"), the middleware, the help.
constexpr const wchar_t* kCertmgr = L"certmgr";
constexpr const wchar_t* kPkiTool = L"TOVALPKI.exe";
constexpr const wchar_t* kHelpFile = L"TovalSetHelp.chm";

// A file of the support folder, as the buttons and the report name it: "All\<name>".
inline std::wstring InSupportFolder(const std::wstring& name) {
    return std::wstring(kSupportFolder) + L"\\" + name;
}

} // namespace tovalset
