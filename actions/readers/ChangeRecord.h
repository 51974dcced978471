#pragma once
// The record of what TovalSet changed for this user, kept under HKCU\Software\TovalSet so that an undo
// takes back only what TovalSet itself did: each certificate it was about to import, and whether the user's
// own part of the root store held it already; each Trusted Sites value and the service domain's mapping as
// they stood, with type and bytes, or that they were not there. A button writes it before its first change
// and a later run only adds what it does not hold yet, so the record never takes in TovalSet's own values.
//
// Its values, each written whole, in words an administrator can read in the registry editor:
//   Made          REG_SZ        when it was first written, local time, "yyyy-mm-dd hh:mm:ss"
//   Certificates  REG_MULTI_SZ  "<thumbprint> added <name>" or "<thumbprint> before <name>"
//   Values        REG_MULTI_SZ  "<key>|<value>|<type>|<bytes in hex>" or "<key>|<value>|absent"
//   Keys made     REG_MULTI_SZ  "<key>": a key that was not there, which TovalSet made

#include "platform/PlatformOps.h"
#include "platform/ReportFacts.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tovalset {

extern const wchar_t* const kRecordKeyPath; // under HKEY_CURRENT_USER

struct RecordedCertificate {
    Thumbprint thumbprint{};
    // False: the user's own part held it before TovalSet imported it, so an undo keeps it.
    bool added = false;
    std::wstring name; // the subject's common name, or the file's name when it has none
};

struct RecordedValue {
    std::wstring key; // under HKEY_CURRENT_USER
    std::wstring name;
    std::optional<RegData> before; // none: there was no such value
};

struct ChangeRecord {
    std::wstring made; // empty: there is no record
    std::vector<RecordedCertificate> certificates;
    std::vector<RecordedValue> values;
    std::vector<std::wstring> keysMade;

    bool empty() const { return certificates.empty() && values.empty() && keysMade.empty(); }
};

// The record as the registry holds it; an entry that cannot be read back is left out, never guessed.
ChangeRecord ReadChangeRecord(PlatformOps& os);
// Writes the record whole, each list in one value; an empty one deletes the record and its key. False when
// a write failed.
bool WriteChangeRecord(PlatformOps& os, const ChangeRecord& record);

// Before a certificate button imports these files of the support folder: each certificate that the record
// does not hold yet, and whether the user's own part of the root store holds it now. A file that cannot be
// read is left out (its import fails too); a part that cannot be read counts as holding it, so that an undo
// never takes away what may have been there before.
void RecordCertificates(PlatformOps& os, ReportFacts& facts, const std::vector<std::wstring>& files);
// Before the IE settings button writes: the six Trusted Sites values and the service domain's mapping as
// they stand, and the keys that are not there; a value that cannot be read is left out, and so left alone
// by an undo.
void RecordZoneValues(PlatformOps& os, ReportFacts& facts);

// A certificate file of the support folder as the record names it: its thumbprint, and its subject's
// common name or else the file's name; none when the file cannot be read or holds nothing.
std::optional<RecordedCertificate> SupportFolderCertificate(ReportFacts& facts, const std::wstring& file);

// A thumbprint as the record and the certificate manager write it: 40 upper-case hex digits.
std::wstring ThumbprintText(const Thumbprint& thumbprint);
// A value as the undo's question shows it: "0", "3 (REG_SZ)", "not there".
std::wstring ValueText(const std::optional<RegData>& value);

// The record in a few lines for the status report: when it was made and what it holds, or that there is
// none.
std::vector<std::pair<std::wstring, std::wstring>> ChangeRecordLines(PlatformOps& os);

} // namespace tovalset
