// Makes a key under HKEY_CURRENT_USER that the current user may read but not change, as a policy or a
// security program leaves the zone keys on a managed desktop. It creates the key, writes the given REG_DWORD
// values into it (what was there before the zone action ran), then gives it a DACL that denies the user
// setting values and creating subkeys and allows the rest. Last it tries both on a handle opened the way
// the zone action opens its keys (RegCreateKey) and prints what the registry answered, so that a test can
// tell a lock that holds from a registry that ignores key security:
//   open: <status>
//   set value: <status>
//   create subkey: <status>
// The exit code is 0 when both were refused, 1 when either went through (Wine 8 refuses the value but
// creates the subkey: its server checks no right on the parent of a key it creates), 2 when the key could
// not be set up.
//   key_lock <HKCU path> [<name>=<dword> ...]
// The lock lives as long as the Wine server does; keep the server running until the test has looked.
#include <windows.h>

#include "platform/win32/Handles.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using tovalset::win32::UniqueHandle;
using tovalset::win32::UniqueRegKey;

const char* const kProbe = "TovalSetLockProbe";

// The current user's SID, copied out of the process token.
std::vector<BYTE> CurrentUser() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    const UniqueHandle owner(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
        return {};
    }
    const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    std::vector<BYTE> copy(GetLengthSid(sid));
    CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid);
    return copy;
}

// Deny comes first: an access check stops at the first entry that denies a right it still needs.
bool Lock(HKEY key) {
    std::vector<BYTE> user = CurrentUser();
    if (user.empty()) {
        return false;
    }
    const DWORD aceSize = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + static_cast<DWORD>(user.size());
    std::vector<BYTE> acl(sizeof(ACL) + 2 * aceSize);
    auto* dacl = reinterpret_cast<PACL>(acl.data());
    SECURITY_DESCRIPTOR descriptor;
    return InitializeAcl(dacl, static_cast<DWORD>(acl.size()), ACL_REVISION) &&
           AddAccessDeniedAce(dacl, ACL_REVISION, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, user.data()) &&
           AddAccessAllowedAce(dacl, ACL_REVISION, KEY_ALL_ACCESS, user.data()) &&
           InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&descriptor, TRUE, dacl, FALSE) &&
           RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}

const char* Outcome(LONG status) {
    return status == ERROR_ACCESS_DENIED ? "refused (access denied)"
           : status == ERROR_SUCCESS     ? "went through"
                                         : "failed otherwise";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: key_lock <HKCU path> [<name>=<dword> ...]\n");
        return 2;
    }
    {
        HKEY created = nullptr;
        if (RegCreateKeyA(HKEY_CURRENT_USER, argv[1], &created) != ERROR_SUCCESS) {
            std::fprintf(stderr, "key_lock: cannot create %s\n", argv[1]);
            return 2;
        }
        const UniqueRegKey key(created);
        for (int i = 2; i < argc; ++i) {
            const std::string pair = argv[i];
            const std::size_t equals = pair.find('=');
            const DWORD value = equals == std::string::npos ? 0 : std::strtoul(&pair[equals + 1], nullptr, 0);
            if (equals == std::string::npos ||
                RegSetValueExA(key.get(), pair.substr(0, equals).c_str(), 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&value), sizeof value) != ERROR_SUCCESS) {
                std::fprintf(stderr, "key_lock: cannot write %s\n", argv[i]);
                return 2;
            }
        }
        if (!Lock(key.get())) {
            std::fprintf(stderr, "key_lock: cannot set the key's security\n");
            return 2;
        }
    }

    // After the lock, the calls the zone action makes: RegCreateKey on the key (the open may already be
    // refused, or give a handle without the right to write), a value written through it, and a subkey
    // created by its path from the root.
    HKEY reopened = nullptr;
    const LONG open = RegCreateKeyA(HKEY_CURRENT_USER, argv[1], &reopened);
    const UniqueRegKey key(reopened);
    const DWORD one = 1;
    const LONG set = open != ERROR_SUCCESS ? open
                                           : RegSetValueExA(key.get(), kProbe, 0, REG_DWORD,
                                                            reinterpret_cast<const BYTE*>(&one), sizeof one);
    const std::string child = std::string(argv[1]) + "\\" + kProbe;
    HKEY created = nullptr;
    const LONG create = RegCreateKeyA(HKEY_CURRENT_USER, child.c_str(), &created);
    const UniqueRegKey createdOwner(created);
    std::printf("open: %s\nset value: %s\ncreate subkey: %s\n", Outcome(open), Outcome(set), Outcome(create));
    // A probe that went through must not be taken for something the action wrote.
    if (set == ERROR_SUCCESS) {
        RegDeleteValueA(key.get(), kProbe);
    }
    if (create == ERROR_SUCCESS) {
        RegDeleteKeyA(HKEY_CURRENT_USER, child.c_str());
    }
    return set == ERROR_ACCESS_DENIED && create == ERROR_ACCESS_DENIED ? 0 : 1;
}
