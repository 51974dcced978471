#pragma once
// The seam between the setup actions and the operating system: what the actions change, start and show, the
// registry calls through which the window's labels and the zone button read, and the store look-up after an
// import. What only the status report reads lies behind the read-only ReportFacts. The operations keep
// their Win32 names and argument order, so an action reads like the Windows code it drives; the portable side
// never sees <windows.h>. Text crosses as wide strings; the Win32 implementation converts it to and from the
// ANSI code page right at each call.

#include "platform/Seam.h"

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tovalset {

// A registry key: a predefined root or a key opened or created from one. 0 is no key.
enum class KeyHandle : std::uint32_t { None = 0 };

// A window. None stands for "no window" (and, as a parent, for the desktop).
enum class WindowHandle : std::uintptr_t { None = 0 };

// The status of a registry call: 0 is success, anything else failure.
using RegStatus = std::int32_t;

// The predefined roots as key handles, under names that mean the same in every file: one that also
// includes <windows.h> passes these to the seam, as Windows' own names there are HKEY macros.
constexpr KeyHandle kCurrentUser{0x80000001u};
constexpr KeyHandle kLocalMachine{0x80000002u};

// The Windows constants the actions use, under their Windows names. A file that also includes <windows.h>
// gets Windows' own macros instead, which carry the same values.
#ifndef REG_NONE
constexpr std::uint32_t REG_NONE = 0;
#endif
#ifndef REG_SZ
constexpr std::uint32_t REG_SZ = 1;
#endif
#ifndef REG_DWORD
constexpr std::uint32_t REG_DWORD = 4;
#endif
#ifndef REG_MULTI_SZ
constexpr std::uint32_t REG_MULTI_SZ = 7;
#endif
// A REG_DWORD's data: the 32-bit word, little-endian.
constexpr std::array<std::uint8_t, 4> DwordBytes(std::uint32_t word) {
    return {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
            static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
}
constexpr std::uint32_t DwordOf(const std::array<std::uint8_t, 4>& bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}
#ifndef SW_HIDE
constexpr int SW_HIDE = 0;
#endif
#ifndef SW_SHOWNORMAL
constexpr int SW_SHOWNORMAL = 1;
#endif
#ifndef SW_SHOWMINIMIZED
constexpr int SW_SHOWMINIMIZED = 2;
#endif
#ifndef WM_CLOSE
constexpr std::uint32_t WM_CLOSE = 0x0010;
#endif

// A program that could not be started. It ends the action that tried; the window reports it with the
// system's own text of the reason.
class ProgramStartError : public std::runtime_error {
public:
    ProgramStartError(std::wstring commandLine, std::wstring reason)
        : std::runtime_error("a program could not be started"), commandLine_(std::move(commandLine)),
          reason_(std::move(reason)) {}
    const std::wstring& commandLine() const { return commandLine_; }
    const std::wstring& reason() const { return reason_; }

private:
    std::wstring commandLine_;
    std::wstring reason_;
};

// The window was asked to close while an action ran. The action ends before its next step: no further
// program is started and no further message shown; what it already started runs on by itself.
class ActionCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "the window is closing"; }
};

// A registry value as Windows keeps it: its type and its bytes, text in UTF-16 as the wide calls give it, so
// that it can be written back exactly as it was.
struct RegData {
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> bytes;
    bool operator==(const RegData& other) const { return type == other.type && bytes == other.bytes; }
    bool operator!=(const RegData& other) const { return !(*this == other); }
};

// What reading one value found: status 0 with its data; otherwise the status of the open or the read, and
// whether the key was there (a missing value of a key that is there, or no key at all, both come back as
// the system's "file not found").
struct RegRead {
    RegStatus status = 0;
    bool keyFound = false;
    RegData data = {};
};

// A SHA-1 thumbprint, by which a certificate store knows its certificate.
using Thumbprint = std::array<std::uint8_t, 20>;

// How a program that was waited for ended.
struct ProgramOutcome {
    bool finished = false;      // false: still running at the bound, so it was ended there
    std::uint32_t exitCode = 0; // meaningful when finished
};

class PlatformOps : public Seam {
public:
    // Registry. `result` receives the key; it is left as it was when the call fails. RegOpenKeyA opens for
    // reading, in the system's own view of the registry: on 64-bit Windows the 64-bit one, whatever the
    // process.
    virtual RegStatus RegOpenKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) = 0;
    virtual RegStatus RegCreateKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) = 0;
    // With `data` null only the type and the size are reported. `size` is the buffer's size on entry and
    // the value's size on return.
    virtual RegStatus RegQueryValueExA(KeyHandle key, const std::wstring& valueName, std::uint32_t reserved,
                                       std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) = 0;
    virtual RegStatus RegSetValueExA(KeyHandle key, const std::wstring& valueName, std::uint32_t reserved,
                                     std::uint32_t type, const std::uint8_t* data, std::uint32_t size) = 0;
    virtual RegStatus RegCloseKey(KeyHandle key) = 0;

    // Whole units on one value under a root, each opening and closing its own key, through the wide calls:
    // text values keep every character, whatever the ANSI code page. They keep what stood before a change
    // and put it back. The write creates the key where it is missing. The delete of a value whose key or
    // value is not there returns the system's "file not found".
    virtual RegRead ReadRegValue(KeyHandle root, const std::wstring& subKey, const std::wstring& name) = 0;
    virtual RegStatus WriteRegValue(KeyHandle root, const std::wstring& subKey, const std::wstring& name,
                                    const RegData& data) = 0;
    virtual RegStatus DeleteRegValue(KeyHandle root, const std::wstring& subKey,
                                     const std::wstring& name) = 0;
    // Deletes the key only when it holds neither values nor subkeys; a key that holds something is kept,
    // with the system's "directory not empty" (145), and a key that is not there gives "file not found".
    virtual RegStatus DeleteEmptyRegKey(KeyHandle root, const std::wstring& subKey) = 0;

    // The system's own text for a registry status or another error code, as a box shows it.
    virtual std::wstring ErrorText(std::uint32_t code) = 0;

    // Text in the ANSI code page, as a registry read returns it, made wide.
    virtual std::wstring FromAnsiCodePage(const std::string& bytes) = 0;

    // Windows. A missing window name matches any name.
    virtual WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                                       const std::wstring& className,
                                       const std::optional<std::wstring>& windowName) = 0;
    virtual bool PostMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) = 0;

    // The system's own Windows folder (never a per-user copy of it), which holds its help viewer.
    virtual std::wstring SystemWindowsDirectory() = 0;

    // Shell. The result is the shell's instance value; greater than 32 means success.
    virtual std::intptr_t ShellExecuteA(WindowHandle owner, const std::wstring& operation,
                                        const std::wstring& file, const std::wstring& parameters,
                                        const std::wstring& directory, int showCommand) = 0;

    // Starts the program that the command line's first word names, relative to the current directory and
    // with ".exe" added when the name has none, and returns without waiting. Hidden, a console program
    // gets a console without a window rather than a hidden show state, so that a question it asks is seen.
    // Throws ProgramStartError, or ActionCancelled once the window is closing.
    virtual void StartProgram(const std::wstring& commandLine, int windowStyle) = 0;

    // Starts a program as StartProgram does, then waits for it to end. The window keeps painting meanwhile
    // and takes no input, as under a modal box. `timeoutMs` counts only the time in which the program
    // shows no window of its own: one that asks the user is waited for until answered. A program still
    // running at the bound is ended. Throws ProgramStartError, or ActionCancelled when the window is asked
    // to close during the wait (the program then runs on by itself).
    virtual ProgramOutcome StartProgramAndWait(const std::wstring& commandLine, int windowStyle,
                                               std::uint32_t timeoutMs) = 0;

    // A modal box with the text, one OK button and the program's caption ("TovalSet"); returns
    // when it is dismissed. Throws ActionCancelled, showing nothing, once the window is closing.
    virtual void ShowMessage(const std::wstring& text) = 0;
    // The same box with the error icon, for what went wrong outside the actions' own messages.
    virtual void ShowError(const std::wstring& text) = 0;
    // A question with OK and Cancel, under the same caption: true for OK. Escape is Cancel; a close of the
    // window while it shows throws ActionCancelled, whatever the box returned, so that closing means
    // Cancel. Throws ActionCancelled, showing nothing, once the window is closing.
    virtual bool AskOkCancel(const std::wstring& text) = 0;

    // ---- What really took effect: whether the system will trust a certificate that a tool added ----
    // Where the certificate in a file (DER or PEM) stands in the trusted root store, found by its SHA-1
    // thumbprint. The machine's part holds the computer's roots (the registry, group policy and the
    // enterprise's); the user's part only the current user's own, which a machine policy can tell Windows
    // not to trust.
    enum class RootStanding {
        FileUnreadable,
        NoCertificate,
        StoreUnreadable,
        NotInStore,
        UserPartOnly,
        MachinePart
    };
    // Windows distrusts a certificate whose thumbprint is in an Untrusted Certificates store ("Disallowed"),
    // the computer's (also filled by policy) or the user's, whatever the root store holds.
    enum class Distrust { None, ComputerStore, UserStore, Unknown };
    struct RootLookup {
        RootStanding standing = RootStanding::NotInStore;
        std::wstring reason = {}; // the system's text, for a file or store that could not be read
        Distrust distrust = Distrust::None;
        std::wstring distrustReason = {}; // the system's text, for an Untrusted store that could not be read
        // The file's certificate as DER and its thumbprint, as the look-up read and hashed them, for the
        // status report; empty when the file could not be read.
        std::vector<std::uint8_t> der = {};
        std::array<std::uint8_t, 20> thumbprint = {};
    };
    virtual RootLookup LookUpRootCertificate(const std::wstring& certificateFile) = 0;

    // Whether one part of the trusted root store holds a certificate, found by thumbprint: the user's own
    // (the current user's registry part, where the certificate manager adds and removes) or the computer's
    // (its own roots, group policy's and the enterprise's), each asked alone, never through the merged
    // view that shows the computer's roots to the user too.
    enum class Held { Yes, No, Unreadable };
    struct PartLookup {
        Held held = Held::No;
        std::wstring reason = {}; // the system's text, for a part that could not be read
    };
    virtual PartLookup FindInUserRoots(const Thumbprint& thumbprint) = 0;
    virtual PartLookup FindInComputerRoots(const Thumbprint& thumbprint) = 0;
};

} // namespace tovalset
