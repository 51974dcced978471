#pragma once
// The judge: whether what TovalSet sets is in effect here, and what keeps the service from working, as
// functions of facts already read. Each rule lives here once, with its words and its remedy; the buttons
// show these words in their boxes, and the status report lists the findings as its verdict.

#include "actions/readers/Browsers.h"
#include "actions/readers/Machine.h"
#include "platform/PlatformOps.h"
#include "platform/ReportFacts.h"

#include <optional>
#include <string>
#include <vector>

namespace tovalset {

// A thing that keeps the service from working here: what is wrong, as a clause with its subject, and
// what to do. `byOurButton`: the remedy is to press one of TovalSet's buttons, which a box that button
// shows leaves out.
struct Finding {
    std::wstring fault;
    std::wstring remedy;
    bool byOurButton = false;
};
// "<fault>: <remedy>.", as the verdict lists it.
std::wstring VerdictLine(const Finding& finding);

// ---- Certificates: the root store's parts, ProtectedRoots and the Untrusted Certificates stores ----
// Why Windows will not trust the certificate that a look-up found in its file; none when it will, or when
// the file or the store could not be read (which is no rule of trust: the caller says so). `certificate`
// and `file` are how the words name the certificate and the file it came from.
std::optional<Finding> CertificateNotTrusted(const PlatformOps::RootLookup& lookup, bool userRootsDistrusted,
                                             const std::wstring& certificate, const std::wstring& file);
// The Untrusted Certificates store that holds a certificate, as the words name it; empty for none.
std::wstring UntrustedStoreName(PlatformOps::Distrust distrust);

// ---- The account ----
// The box that stands instead of a button's changes when TovalSet runs as another account than the
// desktop's: none when both are the same, or either cannot be told (the buttons then work as always).
std::optional<std::wstring> AnotherAccountBox(const Fact<Account>& desktop, const Fact<Account>& process);
std::optional<Finding> AnotherAccount(const Fact<Account>& desktop, const Fact<Account>& process);

// ---- The help file's zone ----
// The help viewer shows no page of a file whose zone is above the zone HTML Help allows: the zone of its
// mark of the web, or the Local intranet zone for a file on another computer. The box the help button
// shows after the viewer started; none when the viewer shows the pages.
std::optional<std::wstring> HelpBlockedBox(const HelpZone& zone, const std::wstring& help);

// ---- Browsers ----
enum class FirefoxUse { Yes, ByPolicy, LockedOff, NotByPolicy };
FirefoxUse FirefoxUsesTheStore(const Browsers& browsers);
bool IeCannotRun(const Browsers& browsers);
// The browsers that use the user's root store, as the report names them.
std::vector<std::wstring> BrowsersUsingTheStore(const Browsers& browsers);

// Every finding, in the report's order: the account, the browsers, the support folder (Smart App Control
// for each program of it, TovalSet itself being already running; the help), the certificates, the
// Trusted Sites.
std::vector<Finding> Judge(const Machine& machine);

} // namespace tovalset
