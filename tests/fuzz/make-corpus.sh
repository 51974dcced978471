#!/usr/bin/env bash
# Writes the fuzzers' seeds into tests/fuzz/corpus/<fuzzer>, each in the layout its <Name>Fuzz.cpp
# describes. The registry reader's: one small input per branch of the reader,
#   route, type [+4], failure statuses, rewrite [, new type] [, length, new data], the value's data
# Rerun after changing a layout, and commit the result. The certificate and program seeds are files of a
# win32 build (build/win32, or the folder given as the first argument), which must be there.
set -euo pipefail
corpus="$(cd "$(dirname "$0")" && pwd)/corpus"
build="${1:-$(cd "$(dirname "$0")/../.." && pwd)/build/win32}"
[[ -d "$build/bin/All" ]] || { echo "make-corpus.sh: no win32 build in $build" >&2; exit 1; }
rm -rf "$corpus"
out=
fuzzer() { out="$corpus/$1"; mkdir -p "$out"; }
seed() { printf '%b' "$2" >"$out/$1"; }

fuzzer registry_reader

# GetString on the HKLM path, each kind of value: route 0, then the type selector, no rewrite.
seed text-with-nul          '\x00\x01\x00Windows XP\x00'
seed text-embedded-nul      '\x00\x01\x00Win\x00dows\x00'
seed text-without-nul       '\x00\x01\x00Windows 7'
seed text-of-no-bytes       '\x00\x01\x00'
seed text-ansi              '\x00\x01\x00C\xe9\x00'
seed expandable-text        '\x00\x02\x00%SystemRoot%\x00'
seed dword                  '\x00\x03\x00\x01\x00\x00\x00'
seed multi-text             '\x00\x04\x00a\x00b\x00\x00'
seed any-type               '\x00\x07\x78\x56\x34\x12\x00abc\x00'
seed none-of-no-bytes       '\x00\x00\x00'
seed none-negative          '\x00\x00\x00\xfe\xff'
seed none-of-three-bytes    '\x00\x00\x00\x01\x02\x03'

# Missing value, and each call failing: open (bit 3), close (bit 4), the probe or the read (bits 5-6).
seed missing-value          '\x04\x01\x00XP\x00'
seed open-fails             '\x08\x01\x00\x00XP\x00'
seed close-fails            '\x10\x01\x01\x00XP\x00'
seed probe-more-data        '\x20\x01\x03\x00XP\x00'
seed read-fails-negative    '\x40\x01\x04\x00XP\x00'
seed third-query-fails      '\x60\x00\x05\x00\x07'
seed open-fails-any-status  '\x08\x01\x07\x00\x00\x00\x80\x00XP\x00'

# Rewritten before the read: grows, shrinks, grows from nothing (the read then has no buffer), changes
# type; a REG_NONE that grows within two bytes and past them; a rewrite that comes too late to matter.
seed text-grows             '\x00\x01\x01\x09abcdefgh\x00ab\x00'
seed text-shrinks           '\x00\x01\x01\x02a\x00abcdef\x00'
seed text-grows-from-empty  '\x00\x01\x01\x03ab\x00'
seed text-becomes-dword     '\x00\x01\x05\x03\x04\x41\x42\x43\x00abcdef\x00'
seed none-grows-to-two      '\x00\x00\x01\x02\x34\x12\x07'
seed none-grows-past-two    '\x00\x00\x01\x03\x01\x02\x03\x07'
seed rewrite-never-comes    '\x00\x01\x02\x04new\x00old\x00'

# RegQueryStringValue on an open key, on KeyHandle 0 and on HKEY_LOCAL_MACHINE itself.
seed open-key-text          '\x01\x01\x00Windows XP\x00'
seed open-key-none          '\x01\x00\x00\x07\x00'
seed key-zero               '\x02\x01\x00XP\x00'
seed root-text              '\x03\x01\x00XP\x00'

# The product name, a NUL, the build number.
fuzzer build_number
seed windows-11                 'Windows 10 Pro\x0022631'
seed first-windows-11           'Windows 10 Enterprise\x0022000'
seed last-windows-10            'Windows 10 Pro\x0021999'
seed leading-zero               'Windows 10 Pro\x00022631'
seed not-a-number               'Windows 10 Pro\x0022631a'
seed ten-digits                 'Windows 10 Pro\x004294967296'
seed no-build                   'Windows 10 Home'
seed empty-build                'Windows 10 Home\x00'
seed server                     'Windows Server 2022\x0020348'
seed xp                         'Microsoft Windows XP\x002600'

# Command lines in UTF-16LE.
fuzzer program_file
wide() { printf '%s' "$2" | iconv -f UTF-8 -t UTF-16LE >"$out/$1"; }
wide certmgr                    'All\certmgr /add /c  All\IRIROOTCA.crt /s  root'
wide with-extension             'All\TOVALPKI.exe'
wide quoted                     '"My Tools\run" -x'
wide unclosed-quote             '"My Tools\run -x'
wide empty-quotes               '"" x'
wide dotted-folder              'v1.2\tool'
wide tab                        $'tool\targument'
wide blank-first                ' tool'
wide persian                    'ابزار\نصب /s'

# TovalSet's own command lines, in UTF-16LE.
fuzzer command_line
wide window                     'TovalSet.exe'
wide report-to-output           'TovalSet.exe /report'
wide report-to-file             '"C:\My Tools\TovalSet.exe" -REPORT "C:\Help Desk\r.txt"'
wide backslashes-before-quote   'TovalSet.exe /report "a\\" b\"c d\\\"e'
wide unclosed-quote             'TovalSet.exe /report "a b'
wide usage                      'TovalSet.exe /?'
wide unknown                    'TovalSet.exe --help'
wide persian                    'TovalSet.exe /report گزارش.txt'
wide tabs                       $'TovalSet.exe\t/report\t\t""'

# A command line, a NUL, a file, a NUL, a store.
fuzzer certmgr_arguments
seed as-tovalset-gives-it       'All\\certmgr.exe /add /c  All\\IRIROOTCA.crt /s  root\x00a.cer\x00root'
seed quoted-program             '"C:\\All\\certmgr.exe" /add /c  a.cer /s  root\x00a\x00b'
seed one-blank                  'certmgr /add /c a.cer /s root'
seed blank-in-file              'certmgr /add /c  a b.cer /s  root\x00a b\x00r t'
seed no-store                   'certmgr /add /c  a.cer'
seed store-switch-twice         'certmgr /add /c  a /s  b /s  c'
seed no-arguments               'certmgr'

# A certificate file; for the round trip its first byte is also the line width.
fuzzer certmgr_pem
seed der                        '\x30\x82\x01\x0a\x02\x82\x01\x01'
seed pem                        '-----BEGIN CERTIFICATE-----\nMIIBCgKCAQE=\n-----END CERTIFICATE-----\n'
seed pem-crlf                   '-----BEGIN CERTIFICATE-----\r\nMIIB\r\nCgKC\r\nAQE=\r\n-----END CERTIFICATE-----\r\n'
seed pem-two-pads               '-----BEGIN X-----\nQQ==\n-----END X-----\n'
seed pem-cut-short              '-----BEGIN CERTIFICATE-----\nMIIBCgKC'
seed pem-bad-character          '-----BEGIN CERTIFICATE-----\nMII*\n-----END CERTIFICATE-----\n'
seed pem-after-padding          '-----BEGIN X-----\nQQ==QQ==\n-----END X-----\n'
seed text-before-pem            'Subject: test\n-----BEGIN CERTIFICATE-----\nMIIB\n-----END CERTIFICATE-----\n'

# A file's bytes as they are, its first half, and with one byte changed at an offset: an outer length, a
# header's offset, a magic number.
whole() { head -c "${3:-100000000}" "$2" >"$out/$1"; }
half() { head -c "$(($(stat -c %s "$2") / 2))" "$2" >"$out/$1"; }
changed() { cp "$2" "$out/$1"; printf "\\x$4" | dd of="$out/$1" bs=1 seek="$3" conv=notrunc status=none; }

# The test certificates, DER and PEM, whole, cut short and with a length that overruns.
fuzzer certificate_summary
whole der "$build/bin/All/DigitalSignOld.cer"
whole pem "$build/bin/All/IRIROOTCA.crt"
half der-cut-short "$build/bin/All/DigitalSignOld.cer"
half pem-cut-short "$build/bin/All/IRIROOTCA.crt"
changed der-outer-length-overruns "$build/bin/All/DigitalSignOld.cer" 2 7f
changed der-inner-length-overruns "$build/bin/All/DigitalSignOld.cer" 6 7f

# Our own exes' first 4 KiB, as the callers read them: windowed and console, 32- and 64-bit (the x86_64
# build's stand-in when there is one); cut before the PE header; its offset past the end; no PE magic.
fuzzer program_header
whole windowed-32 "$build/bin/TovalSet.exe" 4096
whole console-32 "$build/bin/All/certmgr.exe" 4096
if [[ -f "$build/../win64/bin/All/certmgr.exe" ]]; then
    whole console-64 "$build/../win64/bin/All/certmgr.exe" 4096
fi
whole cut-before-pe "$build/bin/TovalSet.exe" 64
changed pe-offset-past-end "$out/windowed-32" 61 7f
changed no-pe-magic "$out/console-32" 128 00

# Zone.Identifier streams as Explorer and the browsers write them: CR LF, LF, UTF-16, two sections, no zone.
fuzzer zone_mark
seed internet               '[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://example.invalid/\r\nHostUrl=https://example.invalid/TovalSet.zip\r\n'
seed restricted-lf          '[ZoneTransfer]\nZoneId=4\n'
seed two-sections           '[Other]\r\nZoneId=3\r\n[ZoneTransfer]\r\nZoneId = 1\r\n'
seed utf16                  '\xff\xfe[\x00Z\x00o\x00n\x00e\x00T\x00r\x00a\x00n\x00s\x00f\x00e\x00r\x00]\x00\r\x00\n\x00Z\x00o\x00n\x00e\x00I\x00d\x00=\x003\x00\r\x00\n\x00'
seed empty-zone             '[ZoneTransfer]\r\nZoneId=\r\n'
