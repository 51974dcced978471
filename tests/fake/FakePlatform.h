#pragma once
// A PlatformOps and a ReportFacts for the host tests. Each records every call with its arguments, in
// order, as one line of text, and fails any chosen call; the platform holds an in-memory registry and a
// z-ordered list of windows.

#include "platform/PlatformOps.h"
#include "platform/ReportFacts.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tovalset::fake {

constexpr RegStatus kFileNotFound = 2;
constexpr RegStatus kAccessDenied = 5;
constexpr RegStatus kInvalidHandle = 6;
constexpr RegStatus kDirNotEmpty = 145;
constexpr RegStatus kMoreData = 234;

// Readable ASCII for a wide text; other characters as \x{...}.
std::string Narrow(const std::wstring& text);
// A thumbprint in 40 upper-case hex digits.
std::string Hex(const Thumbprint& thumbprint);

struct RegValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

// What both fakes share: the record of calls, and the calls chosen to fail.
class Recorder {
public:
    // Fails the `occurrence`-th call (1-based) of the named operation with `status`.
    void Fail(const std::string& operation, int occurrence, RegStatus status);
    // Runs before every recorded call, with the operation's name: lets a test change the world mid-action.
    std::function<void(const std::string&)> beforeCall;
    const std::vector<std::string>& calls() const { return calls_; }

protected:
    // Records the call and tells whether it is one the test chose to fail (and with which status).
    std::optional<RegStatus> Record(const std::string& operation, const std::string& arguments);
    // How many calls of the operation were recorded.
    int Count(const std::string& operation) const;

private:
    std::vector<std::string> calls_;
    std::map<std::string, int> counts_;
    std::map<std::pair<std::string, int>, RegStatus> failures_;
};

class FakePlatform : public PlatformOps, public Recorder {
public:
    // ---- set-up ----
    // A failing StartProgram or StartProgramAndWait throws; FindWindowExA finds nothing, PostMessageA returns
    // false, ShellExecuteA returns the status.

    // The window is asked to close during the `occurrence`-th call of StartProgramAndWait (that wait ends
    // at once), ShowMessage or ShowError (the box is dismissed). From then on every start and every box
    // throws ActionCancelled without being recorded, as nothing more reaches the system.
    void CloseDuring(const std::string& operation, int occurrence) { closeAt_ = {operation, occurrence}; }
    bool closing() const { return closing_; }

    // How the n-th (1-based) program waited for ends; by default it finishes with exit code 0.
    void SetOutcome(int occurrence, ProgramOutcome outcome) { outcomes_[occurrence] = outcome; }

    // Registry paths are "HKCU\\..." or "HKLM\\..."; keys on the way are created.
    void SetValue(const std::wstring& keyPath, const std::wstring& name, RegValue value);
    void SetDword(const std::wstring& keyPath, const std::wstring& name, std::uint32_t value);
    bool HasKey(const std::wstring& keyPath) const;
    const RegValue* Value(const std::wstring& keyPath, const std::wstring& name) const;
    std::size_t ValueCount(const std::wstring& keyPath) const;
    // The strings of a value written in UTF-16 as REG_MULTI_SZ, narrowed; none when there is no such value.
    std::vector<std::string> Lines(const std::wstring& keyPath, const std::wstring& name) const;
    std::size_t OpenKeyCount() const { return openKeys_.size(); }

    // Windows are added at the bottom of the z-order. A window made with destroyOnClose is destroyed by the
    // first WM_CLOSE posted to it.
    WindowHandle AddWindow(const std::wstring& className, WindowHandle parent = WindowHandle::None,
                           bool destroyOnClose = false);
    bool IsWindow(WindowHandle window) const;
    // Every message posted, to which window.
    struct Posted {
        WindowHandle window;
        std::uint32_t message;
    };
    const std::vector<Posted>& posted() const { return posted_; }

    // ---- what happened ----
    // Every call but those through which a button reads and adds to the record of changes before its own
    // work (ReadRegValue, WriteRegValue, FindInUserRoots): the button's calls as they were before it kept
    // one.
    std::vector<std::string> callsBesidesTheRecord() const;
    const std::vector<std::wstring>& messages() const { return messages_; }
    const std::vector<std::wstring>& errors() const { return errors_; }

    // ---- PlatformOps ----
    RegStatus RegOpenKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) override;
    RegStatus RegCreateKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) override;
    RegStatus RegQueryValueExA(KeyHandle key, const std::wstring& valueName, std::uint32_t reserved,
                               std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) override;
    RegStatus RegSetValueExA(KeyHandle key, const std::wstring& valueName, std::uint32_t reserved,
                             std::uint32_t type, const std::uint8_t* data, std::uint32_t size) override;
    RegStatus RegCloseKey(KeyHandle key) override;
    RegRead ReadRegValue(KeyHandle root, const std::wstring& subKey, const std::wstring& name) override;
    RegStatus WriteRegValue(KeyHandle root, const std::wstring& subKey, const std::wstring& name,
                            const RegData& data) override;
    RegStatus DeleteRegValue(KeyHandle root, const std::wstring& subKey, const std::wstring& name) override;
    RegStatus DeleteEmptyRegKey(KeyHandle root, const std::wstring& subKey) override;
    // "error <code>", as the fake report facts word a failure.
    std::wstring ErrorText(std::uint32_t code) override { return L"error " + std::to_wstring(code); }
    // Each byte is the character of that number (Latin-1), which keeps test data readable.
    std::wstring FromAnsiCodePage(const std::string& bytes) override;
    WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter, const std::wstring& className,
                               const std::optional<std::wstring>& windowName) override;
    bool PostMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam) override;
    // "C:\\WINDOWS"; a failed call gives "", as the system's does.
    std::wstring SystemWindowsDirectory() override;
    std::intptr_t ShellExecuteA(WindowHandle owner, const std::wstring& operation, const std::wstring& file,
                                const std::wstring& parameters, const std::wstring& directory,
                                int showCommand) override;
    void StartProgram(const std::wstring& commandLine, int windowStyle) override;
    ProgramOutcome StartProgramAndWait(const std::wstring& commandLine, int windowStyle,
                                       std::uint32_t timeoutMs) override;
    void ShowMessage(const std::wstring& text) override;
    void ShowError(const std::wstring& text) override;
    // The n-th question is answered as set (true: OK); by default OK. The window closing during it (see
    // CloseDuring) makes it throw ActionCancelled once it was shown.
    void SetAnswer(int occurrence, bool ok) { answers_[occurrence] = ok; }
    const std::vector<std::wstring>& questions() const { return questions_; }
    bool AskOkCancel(const std::wstring& text) override;

private:
    struct Key {
        std::map<std::wstring, std::pair<std::wstring, RegValue>> values; // by lower-case name
    };
    struct Window {
        WindowHandle handle;
        WindowHandle parent;
        std::wstring className;
        bool destroyOnClose;
    };

    // For a start or a box: throws once the window is closing; tells whether this call is where it closes.
    bool Closes(const std::string& operation);
    std::optional<std::wstring> PathOf(KeyHandle key) const;
    // The path of a subkey of an open key; none when the key is not open.
    std::optional<std::wstring> SubKeyPathOf(KeyHandle key, const std::wstring& subKey) const;
    std::string KeyName(KeyHandle key) const;
    Key& CreatePath(const std::wstring& path);
    const Key* FindPath(const std::wstring& path) const;
    KeyHandle NewHandle(const std::wstring& path);

    std::map<std::wstring, Key> keys_; // by lower-case full path
    std::map<std::uint32_t, std::wstring> openKeys_;
    std::uint32_t nextKey_ = 1;
    std::vector<Window> windows_;
    std::uintptr_t nextWindow_ = 0x100;
    std::vector<Posted> posted_;
    std::vector<std::wstring> messages_;
    std::vector<std::wstring> errors_;
    std::map<int, ProgramOutcome> outcomes_;
    std::map<int, bool> answers_;
    std::vector<std::wstring> questions_;
    std::pair<std::string, int> closeAt_;
    bool closing_ = false;

public:
    // ---- what took effect ----
    // What the n-th (1-based) look-up in the root store answers; by default the certificate is in the
    // machine's part, trusted whatever the policy. A failing LookUpRootCertificate answers that the store
    // cannot be read.
    void SetRootLookup(int occurrence, RootLookup lookup) { rootLookups_[occurrence] = std::move(lookup); }
    // With readsCertificateFiles a look-up reads the file given here, as Windows does, and answers with its
    // DER and thumbprint; a file not given cannot be read. Without it, the files are not asked for.
    bool readsCertificateFiles = false;
    void SetCertificateFile(const std::wstring& path, std::vector<std::uint8_t> bytes) {
        certificateFiles_[path] = std::move(bytes);
    }
    RootLookup LookUpRootCertificate(const std::wstring& certificateFile) override;

    // The thumbprints in the user's own part of the root store and in the computer's. A certificate
    // manager run with "/del /c /sha1 <thumbprint>" that ends with exit code 0 takes the thumbprint out of
    // the user's part, as the real one does; a failing look-up answers that the part cannot be read.
    std::set<Thumbprint> userRoots;
    std::set<Thumbprint> computerRoots;
    PartLookup FindInUserRoots(const Thumbprint& thumbprint) override;
    PartLookup FindInComputerRoots(const Thumbprint& thumbprint) override;

private:
    std::map<int, RootLookup> rootLookups_;
    std::map<std::wstring, std::vector<std::uint8_t>> certificateFiles_;
};

// What the status report reads besides the platform. A failing call answers with the status as its code
// and "error <status>" as its text.
class FakeReportFacts : public ReportFacts, public Recorder {
public:
    // The facts it answers with; a test changes any of them before reading the report.
    Fact<std::wstring> programFile{L"C:\\Program Files\\TovalSet\\TovalSet.exe"};
    Fact<std::wstring> currentDirectory{L"C:\\TovalSet"};
    Moment localNow{2026, 12, 9, 14, 5, 9};
    Moment utcNow{2026, 12, 9, 10, 35, 9};
    Fact<bool> windows64{false};
    Fact<int> dpi{96};
    std::uint32_t codePage = 1252;
    Fact<bool> administrator{true};
    Fact<bool> elevated{false};
    Fact<std::wstring> desktopFolder{L"C:\\Documents and Settings\\User\\Desktop"};
    // The desktop's owner and the program's account: by default the same.
    Fact<Account> desktopUser{Account{L"S-1-5-21-7-7-7-1001", L"PC\\User"}};
    Fact<Account> processUser{Account{L"S-1-5-21-7-7-7-1001", L"PC\\User"}};
    // What verifying any signed program answers; by default it cannot be asked.
    Fact<bool> onNetwork{false};
    Fact<Verification> verification{std::nullopt, 127, L"The specified procedure could not be found."};
    // The mark of the web on a file, by path as the program names it; a file not given carries none.
    void SetZoneMark(const std::wstring& path, Fact<std::optional<std::uint32_t>> mark) {
        marks_[path] = std::move(mark);
    }
    // A folder that exists, and a file's bytes, by path as the report names it (case as given).
    void SetFolder(const std::wstring& path) { folders_.push_back(path); }
    void SetFile(const std::wstring& path, std::vector<std::uint8_t> bytes) {
        files_[path] = std::move(bytes);
    }

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
    // A file that was not set is not there.
    Fact<std::vector<std::uint8_t>> ReadFileStart(const std::wstring& path, std::size_t maxBytes) override;
    Fact<std::wstring> DesktopFolder() override;
    Fact<Account> DesktopUser() override;
    Fact<Account> ProcessUser() override;
    Fact<std::optional<std::uint32_t>> ZoneMarkOf(const std::wstring& path) override;
    Fact<bool> OnNetwork(const std::wstring& path) override;
    Fact<Verification> VerifySignature(const std::wstring& path) override;

private:
    // The fact as set, unless the call fails.
    template <typename T>
    Fact<T> Answer(const std::string& operation, const std::string& arguments, const Fact<T>& fact);

    std::vector<std::wstring> folders_;
    std::map<std::wstring, std::vector<std::uint8_t>> files_;
    std::map<std::wstring, Fact<std::optional<std::uint32_t>>> marks_;
};

} // namespace tovalset::fake
