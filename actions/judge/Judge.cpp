#include "actions/judge/Judge.h"

#include "actions/SupportFolder.h"
#include "actions/readers/Policies.h"
#include "platform/ZoneMark.h"

#include "ServiceDomain.h"

#include <algorithm>
#include <iterator>

namespace tovalset {

namespace {

const std::wstring kDomain = TOVALSET_SERVICE_DOMAIN;
constexpr std::uint32_t kLocalIntranetZone = 1;
const wchar_t* const kSupportFolderRemedy = L"put the support folder's files beside TovalSet";
const wchar_t* const kHelpCanceled =
    L" The help viewer therefore shows none of its pages, only \"Navigation to "
    L"the webpage was canceled\".";

// Without MaxAllowedZone, HTML Help shows the pages of files in the My Computer zone only.
std::uint32_t HelpAllows(const HelpZone& zone) {
    return zone.maxAllowedZone.value_or(0);
}

bool ShareBlocksHelp(const HelpZone& zone) {
    return zone.onNetwork.value.value_or(false) && kLocalIntranetZone > HelpAllows(zone);
}

std::wstring MarkZone(const HelpZone& zone) {
    return ZoneName(**zone.mark.value);
}

bool MarkBlocksHelp(const HelpZone& zone) {
    return zone.mark.value && *zone.mark.value && **zone.mark.value > HelpAllows(zone);
}

std::vector<Finding> HelpBlocked(const HelpZone& zone, const std::wstring& help) {
    std::vector<Finding> findings;
    if (MarkBlocksHelp(zone)) {
        findings.push_back({help + L" carries the mark of the " + MarkZone(zone) +
                                L" zone, so the help shows none of its pages",
                            L"unblock it in its Properties"});
    }
    if (ShareBlocksHelp(zone)) {
        findings.push_back({help +
                                L" lies on another computer, in the Local intranet zone, so the help shows "
                                L"none of its pages",
                            L"copy TovalSet with its folder All to this computer's disk and start it from "
                            L"there"});
    }
    return findings;
}

std::vector<Finding> BrowserFindings(const Browsers& b) {
    std::vector<Finding> findings;
    if (!b.firefox.empty()) {
        switch (FirefoxUsesTheStore(b)) {
        case FirefoxUse::LockedOff:
            findings.push_back({L"Firefox does not use the certificates TovalSet installs: the "
                                L"ImportEnterpriseRoots policy is 0, which turns that off and locks it",
                                L"ask your administrator to set the policy to 1"});
            break;
        case FirefoxUse::NotByPolicy:
            findings.push_back({L"If you use Firefox, it may not use the certificates TovalSet installs",
                                L"set the ImportEnterpriseRoots policy, or in Firefox's settings trust the "
                                L"system's certificate authorities"});
            break;
        case FirefoxUse::Yes:
        case FirefoxUse::ByPolicy:
            break;
        }
    }
    // Where Internet Explorer cannot run, the Trusted Sites settings reach only pages in Edge's IE mode: the
    // sites of a site list set by policy, or a page the user reloads in IE mode, where Edge lets the user.
    const bool ieModeByPolicy = b.ieModeLevel.value_or(0) == 1;
    if (IeCannotRun(b) && !(ieModeByPolicy && !b.ieModeSiteList.empty())) {
        const bool userMayReload =
            b.reloadInIeModeAllowed.value_or(1) != 0 && (!b.ieModeLevel || ieModeByPolicy);
        if (userMayReload) {
            findings.push_back(
                {L"Internet Explorer cannot run here and no IE mode site list names " + kDomain +
                     L", so the Trusted Sites settings take effect only in pages that Edge reloads in "
                     L"Internet "
                     L"Explorer mode",
                 L"in Edge's settings, Default browser, turn on \"Allow sites to be reloaded in Internet "
                 L"Explorer mode\", then open " +
                     kDomain +
                     L" and choose \"Reload in Internet Explorer mode\" (Edge keeps it for 30 days)"});
        } else {
            findings.push_back(
                {L"Internet Explorer cannot run here and no policy turns on Edge's IE mode with a "
                 L"site list, so the Trusted Sites settings take effect in no browser",
                 L"an administrator sets Edge's IE mode with a site list that names " + kDomain});
        }
    }
    return findings;
}

std::optional<Finding> SmartAppControlStops(std::optional<std::uint32_t> state, const FileFacts& program) {
    if (state != kSmartAppControlOn || !program.header) {
        return std::nullopt;
    }
    // Only a signature that verifies is one; Windows' cloud reputation check lets some others start.
    std::wstring signature = L"carries no signature";
    if (program.signature && program.signature->value) {
        if (program.signature->value->verifies) {
            return std::nullopt;
        }
        signature = L"carries a signature that does not verify";
    } else if (program.signature) {
        signature = L"carries a signature that this Windows cannot verify";
    }
    return Finding{L"Smart App Control is on and " + program.path + L" " + signature +
                       L", so Windows may not start it",
                   L"ask the service for a signed one, or have an administrator install the certificates for "
                   L"all users (ADMIN.txt)"};
}

std::vector<Finding> TrustedSitesFindings(const TrustedSites& sites) {
    std::vector<Finding> findings;
    std::wstring unset;
    for (const ZoneSetting& setting : sites.settings) {
        if (setting.yours.value_or(1) != 0) {
            unset += (unset.empty() ? L"" : L", ") + std::wstring(setting.name);
        }
    }
    if (!unset.empty()) {
        findings.push_back({L"Trusted Sites settings " + unset + L" are not set to allow",
                            L"press the IE settings button", true});
    }
    if (sites.domains != kTrustedSitesZone) {
        findings.push_back({kDomain + L" is not in Trusted Sites", L"press the IE settings button", true});
    }
    std::transform(sites.overrides.begin(), sites.overrides.end(), std::back_inserter(findings),
                   [](const std::wstring& cause) {
                       return Finding{L"A policy overrides the Trusted Sites settings (" + cause + L")",
                                      L"ask your administrator to add " + kDomain + L" to Trusted Sites"};
                   });
    return findings;
}

} // namespace

std::wstring VerdictLine(const Finding& finding) {
    return finding.fault + L": " + finding.remedy + L".";
}

std::wstring UntrustedStoreName(PlatformOps::Distrust distrust) {
    switch (distrust) {
    case PlatformOps::Distrust::ComputerStore:
        return L"the computer's Untrusted Certificates store";
    case PlatformOps::Distrust::UserStore:
        return L"your Untrusted Certificates store";
    case PlatformOps::Distrust::None:
    case PlatformOps::Distrust::Unknown:
        break;
    }
    return {};
}

std::optional<Finding> CertificateNotTrusted(const PlatformOps::RootLookup& lookup, bool userRootsDistrusted,
                                             const std::wstring& certificate, const std::wstring& file) {
    using Standing = PlatformOps::RootStanding;
    // Distrusted outweighs any place in the root store. The computer's store is an administrator's to
    // change, and what group policy put there is put back at its next refresh.
    if (const std::wstring store = UntrustedStoreName(lookup.distrust); !store.empty()) {
        const bool computers = lookup.distrust == PlatformOps::Distrust::ComputerStore;
        return Finding{certificate + L" is in " + store + L", so Windows will not trust it",
                       computers
                           ? L"an administrator must take it out of there (certlm.msc from Windows 8 on, "
                             L"before that the Certificates snap-in in mmc for the computer account); one "
                             L"that group policy put there comes back unless the policy changes"
                           : L"take it out of there (certmgr.msc, Untrusted Certificates)"};
    }
    switch (lookup.standing) {
    case Standing::UserPartOnly:
        if (!userRootsDistrusted) {
            break;
        }
        return Finding{certificate +
                           L" is only in your root store, which a policy tells Windows not to trust",
                       L"an administrator must add it to the computer's store"};
    case Standing::NotInStore:
        return Finding{certificate + L" is not in the trusted root store",
                       L"press the button that installs the digital certificates", true};
    case Standing::NoCertificate:
        return Finding{file + L" holds no certificate", kSupportFolderRemedy};
    case Standing::MachinePart:
    case Standing::FileUnreadable:
    case Standing::StoreUnreadable:
        break;
    }
    return std::nullopt;
}

std::optional<std::wstring> AnotherAccountBox(const Fact<Account>& desktop, const Fact<Account>& process) {
    if (!AnotherAccount(desktop, process)) {
        return std::nullopt;
    }
    const std::wstring& runs = process.value->name;
    const std::wstring& sits = desktop.value->name;
    return L"TovalSet is running as " + runs + L", but this desktop belongs to " + sits +
           L".\n\nThe certificates and browser settings would be changed for " + runs + L", not for " + sits +
           L", so nothing was changed.\n\nClose TovalSet and start it again with a double click, "
           L"without \"Run as administrator\" with another account's password: it needs no administrator's "
           L"rights. To prepare the computer for all its users, an administrator follows ADMIN.txt, which "
           L"comes with TovalSet.";
}

std::optional<Finding> AnotherAccount(const Fact<Account>& desktop, const Fact<Account>& process) {
    // Accounts are told apart by their SIDs: a name may be the same in two domains.
    if (!desktop.value || !process.value || desktop.value->sid == process.value->sid) {
        return std::nullopt;
    }
    return Finding{L"TovalSet runs as " + process.value->name + L", not as " + desktop.value->name +
                       L" at this desktop, so its buttons change nothing here",
                   L"start it with a double click, without another account's password"};
}

std::optional<std::wstring> HelpBlockedBox(const HelpZone& zone, const std::wstring& help) {
    const bool mark = MarkBlocksHelp(zone);
    const bool share = ShareBlocksHelp(zone);
    if (!mark && !share) {
        return std::nullopt;
    }
    const std::wstring unblock =
        L"in Explorer, right-click " + help +
        L", choose Properties, tick or press Unblock, and press OK; then press the "
        L"help button again. Next time, unblock the downloaded zip file the same way "
        L"before you extract it, and none of its files will carry the mark.";
    const std::wstring copy = L"copy TovalSet with its folder All to this computer's disk, for instance to "
                              L"the Desktop, and start it from there";
    std::wstring text = L"The help file " + help;
    if (mark) {
        text += L" carries the mark of the " + MarkZone(zone) +
                L" zone, which Windows puts on what was "
                L"downloaded.";
    }
    if (share) {
        text += std::wstring(mark ? L" It also" : L"") +
                L" lies on another computer (a network share or drive), which Windows puts in the Local "
                L"intranet zone.";
    }
    text += kHelpCanceled;
    text += L"\n\nTo read the help: ";
    if (share) {
        text += copy + (mark ? L". There, " + unblock : L".");
    } else {
        text += unblock;
    }
    return text;
}

FirefoxUse FirefoxUsesTheStore(const Browsers& browsers) {
    // Firefox's policy engine sets and locks its own setting to the policy's value, whatever the version.
    if (browsers.firefoxImportEnterpriseRoots) {
        return *browsers.firefoxImportEnterpriseRoots != 0 ? FirefoxUse::ByPolicy : FirefoxUse::LockedOff;
    }
    return browsers.firefoxMajor >= 120 ? FirefoxUse::Yes : FirefoxUse::NotByPolicy;
}

bool IeCannotRun(const Browsers& browsers) {
    return browsers.ieRuns == Browsers::IeRuns::Never ||
           browsers.ieRuns == Browsers::IeRuns::DisabledByPolicy;
}

std::vector<std::wstring> BrowsersUsingTheStore(const Browsers& b) {
    std::vector<std::wstring> users;
    if (b.ieRuns == Browsers::IeRuns::Yes) {
        users.emplace_back(L"Internet Explorer");
    } else if (b.ieRuns == Browsers::IeRuns::MayBeDisabled) {
        users.emplace_back(L"Internet Explorer (where it still runs)");
    }
    if (!b.edge.empty()) {
        users.emplace_back(L"Edge");
    }
    if (!b.chrome.empty()) {
        users.emplace_back(L"Chrome");
    }
    const FirefoxUse firefox = FirefoxUsesTheStore(b);
    if (!b.firefox.empty() && (firefox == FirefoxUse::Yes || firefox == FirefoxUse::ByPolicy)) {
        users.emplace_back(L"Firefox");
    }
    return users;
}

std::vector<Finding> Judge(const Machine& m) {
    std::vector<Finding> findings;
    const auto add = [&findings](const auto& more) {
        findings.insert(findings.end(), more.begin(), more.end());
    };
    if (const auto another = AnotherAccount(m.desktopUser, m.processUser)) {
        findings.push_back(*another);
    }
    add(BrowserFindings(m.browsers));
    for (const FileFacts& file : m.supportFiles) {
        if (const auto stopped = SmartAppControlStops(m.smartAppControl, file)) {
            findings.push_back(*stopped);
        }
    }
    add(HelpBlocked(m.help, InSupportFolder(kHelpFile)));
    for (const CertificateFacts& certificate : m.certificates) {
        if (certificate.lookup.standing == PlatformOps::RootStanding::FileUnreadable) {
            findings.push_back(
                {certificate.path + L" cannot be read, so it cannot be installed", kSupportFolderRemedy});
        } else if (const auto untrusted = CertificateNotTrusted(certificate.lookup, m.userRootsDistrusted,
                                                                certificate.path, certificate.path)) {
            findings.push_back(*untrusted);
        }
    }
    add(TrustedSitesFindings(m.trustedSites));
    return findings;
}

} // namespace tovalset
