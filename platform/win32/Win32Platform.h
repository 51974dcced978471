#pragma once
// PlatformOps and ReportFacts on the real Windows calls.

#include "platform/PlatformOps.h"
#include "platform/ReportFacts.h"
#include "platform/win32/Handles.h"
#include "platform/win32/ModalHost.h"
#include "platform/win32/SystemLibrary.h"

namespace tovalset::win32 {

// COM on this thread, apartment-threaded, as the shell asks of its callers: entered on first use from
// ole32 loaded then, like the shell itself, and left when the owner goes.
class ComApartment {
public:
    ComApartment() = default;
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ComApartment(ComApartment&&) = delete;
    ComApartment& operator=(ComApartment&&) = delete;
    ~ComApartment();
    void Enter();

private:
    SystemLibrary ole_;
    bool entered_ = false;
};

class Win32Platform : public PlatformOps {
public:
    // Without a host of its own the platform has no window: waits block and boxes are task-modal.
    Win32Platform() = default;
    explicit Win32Platform(ModalHost& host) : host_(&host) {}

    RegStatus RegOpenKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) override;
    RegStatus RegCreateKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) override;
    RegStatus RegQueryValueExA(KeyHandle key, const std::wstring& valueName, std::uint32_t reserved,
                               std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) override;
    RegStatus RegSetValueExA(KeyHandle key, const std::wstring& valueName, std::uint32_t reserved,
                             std::uint32_t type, const std::uint8_t* data, std::uint32_t size) override;
    RegStatus RegCloseKey(KeyHandle key) override;
    // Values kept and put back (RegistryValues.cpp).
    RegRead ReadRegValue(KeyHandle root, const std::wstring& subKey, const std::wstring& name) override;
    RegStatus WriteRegValue(KeyHandle root, const std::wstring& subKey, const std::wstring& name,
                            const RegData& data) override;
    RegStatus DeleteRegValue(KeyHandle root, const std::wstring& subKey, const std::wstring& name) override;
    RegStatus DeleteEmptyRegKey(KeyHandle root, const std::wstring& subKey) override;

    std::wstring ErrorText(std::uint32_t code) override; // RegistryValues.cpp
    std::wstring FromAnsiCodePage(const std::string& bytes) override;

    WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter, const std::wstring& className,
                               const std::optional<std::wstring>& windowName) override;
    bool PostMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam) override;

    std::wstring SystemWindowsDirectory() override;
    std::intptr_t ShellExecuteA(WindowHandle owner, const std::wstring& operation, const std::wstring& file,
                                const std::wstring& parameters, const std::wstring& directory,
                                int showCommand) override;
    // Starting and waiting (ProgramStart.cpp).
    void StartProgram(const std::wstring& commandLine, int windowStyle) override;
    ProgramOutcome StartProgramAndWait(const std::wstring& commandLine, int windowStyle,
                                       std::uint32_t timeoutMs) override;
    void ShowMessage(const std::wstring& text) override;
    void ShowError(const std::wstring& text) override;
    bool AskOkCancel(const std::wstring& text) override; // Question.cpp

    // What took effect (RootStore.cpp).
    RootLookup LookUpRootCertificate(const std::wstring& certificateFile) override;
    PartLookup FindInUserRoots(const Thumbprint& thumbprint) override;
    PartLookup FindInComputerRoots(const Thumbprint& thumbprint) override;

private:
    UniqueHandle Launch(const std::wstring& commandLine, int windowStyle, DWORD& processId);
    void ShowBox(const std::wstring& text, unsigned icon);

    NoWindowHost noWindow_;
    ModalHost* host_ = &noWindow_;
    ComApartment com_; // before the shell, so that it is left after the shell is unloaded
    SystemLibrary shell_;
};

// The dots per inch the screen is drawn at, as the window is laid out and the report says; 0 when the
// screen cannot be asked.
int ScreenDpi();

// What the status report reads (ReportFacts.cpp).
class Win32ReportFacts : public ReportFacts {
public:
    Fact<std::wstring> ProgramFile() override;
    Fact<std::wstring> CurrentDirectory() override;
    Moment LocalNow() override;
    Moment UtcNow() override;
    Fact<bool> WindowsIs64Bit() override;
    Fact<int> DisplayDpi() override;
    std::uint32_t AnsiCodePage() override;
    Fact<bool> UserIsAdministrator() override;
    Fact<bool> ProcessIsElevated() override;
    Fact<bool> FolderExists(const std::wstring& path) override;
    Fact<std::vector<std::uint8_t>> ReadFileStart(const std::wstring& path, std::size_t maxBytes) override;
    Fact<std::wstring> DesktopFolder() override;
    Fact<Account> DesktopUser() override;
    Fact<Account> ProcessUser() override;
    Fact<std::optional<std::uint32_t>> ZoneMarkOf(const std::wstring& path) override;
    Fact<bool> OnNetwork(const std::wstring& path) override;
    Fact<Verification> VerifySignature(const std::wstring& path) override;
};

} // namespace tovalset::win32
