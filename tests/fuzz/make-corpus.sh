#!/usr/bin/env bash
# Writes the registry reader fuzzer's seeds into tests/fuzz/corpus, one small input per branch of the
# reader, in the layout RegistryReaderFuzz.cpp describes:
#   route, type [+4], failure statuses, rewrite [, new type] [, length, new data], the value's data
# Rerun after changing the layout, and commit the result.
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)/corpus"
rm -rf "$out"
mkdir -p "$out"
seed() { printf '%b' "$2" >"$out/$1"; }

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
