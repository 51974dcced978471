#pragma once
// What the status report reads of the computer besides the registry and the store, and nothing else reads:
// the program's place, the clock, the process's rights and width, the screen, files. Read only: nothing
// behind this interface changes anything.

#include "platform/Seam.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tovalset {

// A fact of the computer: its value, or why it could not be read, as the system's code and its own text
// for that code. A fact without a value is never shown as one.
template <typename T> struct Fact {
    std::optional<T> value;
    std::uint32_t code = 0;
    std::wstring why = {};
};

// A moment as a calendar gives it.
struct Moment {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Whether a program's Authenticode signature verifies, and the system's text of why not.
struct Verification {
    bool verifies = false;
    std::wstring why;
};

// An account: its security identifier as text ("S-1-5-21-..."), by which two accounts are told apart, and
// its name ("DOMAIN\user") for people to read.
struct Account {
    std::wstring sid;
    std::wstring name;
};

class ReportFacts : public Seam {
public:
    // The program's exe by its full path, and the current directory.
    virtual Fact<std::wstring> ProgramFile() = 0;
    virtual Fact<std::wstring> CurrentDirectory() = 0;
    // Now, in local time for the report and its file's name, and in UTC to compare with a certificate's end.
    virtual Moment LocalNow() = 0;
    virtual Moment UtcNow() = 0;
    // Whether Windows itself is 64-bit (a 32-bit process then runs under WoW64).
    virtual Fact<bool> WindowsIs64Bit() = 0;
    // The dots per inch the screen is drawn at; 96 is 100 %.
    virtual Fact<int> DisplayDpi() = 0;
    virtual std::uint32_t AnsiCodePage() = 0;
    // Whether the user is a member of the Administrators group, and whether this process runs with the
    // group's rights enabled (elevated). Windows without User Account Control answers the second with why.
    virtual Fact<bool> UserIsAdministrator() = 0;
    virtual Fact<bool> ProcessIsElevated() = 0;
    virtual Fact<bool> FolderExists(const std::wstring& path) = 0;
    // The first `maxBytes` bytes of a file (fewer when it is shorter), relative paths from the current
    // directory; why not when it cannot be opened or read.
    virtual Fact<std::vector<std::uint8_t>> ReadFileStart(const std::wstring& path, std::size_t maxBytes) = 0;
    // The user's desktop folder, where the report is saved.
    virtual Fact<std::wstring> DesktopFolder() = 0;
    // Who owns the desktop that the program shows on (the session's user, else the shell's owner), and
    // whom the program runs as: another account when it was started with that account's password.
    virtual Fact<Account> DesktopUser() = 0;
    virtual Fact<Account> ProcessUser() = 0;
    // The zone of the mark of the web on a file, from its Zone.Identifier stream; none when it carries no
    // mark (no stream, or a file system without streams).
    virtual Fact<std::optional<std::uint32_t>> ZoneMarkOf(const std::wstring& path) = 0;
    // Whether a path (relative ones from the current directory) lies on another computer: a UNC path, or
    // a drive that Windows reports as a network drive. Windows puts such a file in the Local intranet zone.
    virtual Fact<bool> OnNetwork(const std::wstring& path) = 0;
    // Whether the signature a program carries verifies (WinVerifyTrust, where it can be called): no value
    // where this Windows cannot be asked.
    virtual Fact<Verification> VerifySignature(const std::wstring& path) = 0;
};

} // namespace tovalset
