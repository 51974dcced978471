#pragma once
// PlatformOps on the real Windows calls.

#include "platform/PlatformOps.h"
#include "platform/win32/Handles.h"

namespace tovalset::win32 {

class Win32Platform : public PlatformOps {
public:
    RegStatus RegOpenKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) override;
    RegStatus RegCreateKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) override;
    RegStatus RegQueryValueExA(KeyHandle key, const std::wstring& valueName, std::uint32_t reserved,
                               std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) override;
    RegStatus RegSetValueExA(KeyHandle key, const std::wstring& valueName, std::uint32_t reserved,
                             std::uint32_t type, const std::uint8_t* data, std::uint32_t size) override;
    RegStatus RegCloseKey(KeyHandle key) override;

    std::wstring FromAnsiCodePage(const std::string& bytes) override;

    WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter, const std::wstring& className,
                               const std::optional<std::wstring>& windowName) override;
    bool PostMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam) override;

    std::intptr_t ShellExecuteA(WindowHandle owner, const std::wstring& operation, const std::wstring& file,
                                const std::wstring& parameters, const std::wstring& directory,
                                int showCommand) override;
    void StartProgram(const std::wstring& commandLine, int windowStyle) override;
    ProgramOutcome StartProgramAndWait(const std::wstring& commandLine, int windowStyle,
                                       std::uint32_t timeoutMs) override;
    void ShowMessage(const std::wstring& text) override;
    void ShowError(const std::wstring& text) override;

    // The window that owns our message boxes, so that they are modal to it, and that takes no input while
    // we wait for a program.
    void SetMessageOwner(WindowHandle owner) { messageOwner_ = owner; }

    // What took effect (RootStore.cpp).
    RootLookup LookUpRootCertificate(const std::wstring& certificateFile) override;

private:
    void ShowBox(const std::wstring& text, unsigned icon) const;
    WindowHandle messageOwner_ = WindowHandle::None;
    UniqueModule shell_;
};

// The program that StartProgram runs for a command line: its first word (or quoted first part), with
// ".exe" added when the file name has no extension, made absolute against the current directory.
std::wstring ProgramPathOf(const std::wstring& commandLine);

} // namespace tovalset::win32
