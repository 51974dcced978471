#!/usr/bin/env bash
# Static checks of our own sources (not GoogleTest): clang-format with the repo's .clang-format, clang-tidy
# with .clang-tidy, and cppcheck. Any finding fails. One verdict line per tool, then a summary line.
#
# clang-tidy and cppcheck read the compile databases of two configured trees: the host tree for the
# portable code and its tests, the Windows tree for platform/win32, ui, support and the Windows tests.
#   TOVALSET_HOST_BUILD  host tree (build/host by default)
#   TOVALSET_WIN_BUILD   Windows tree (build/win32 by default; build/win64 works the same)
# A default tree that is missing is configured and built with its preset first.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd -P)
# A build directory given relative is taken from where the script was called.
host_build=$(realpath -m "${TOVALSET_HOST_BUILD:-$root/build/host}")
win_build=$(realpath -m "${TOVALSET_WIN_BUILD:-$root/build/win32}")
cd "$root" || exit 1
jobs=2

pick() { # the first of the named programs that is installed
    local p
    for p in "$@"; do
        if command -v "$p" >/dev/null; then
            echo "$p"
            return 0
        fi
    done
    echo "static-checks: none of $* is installed (scripts/install-deps.sh)" >&2
    return 1
}
clang_format=$(pick clang-format-14 clang-format) || exit 1
clang_tidy=$(pick clang-tidy-14 clang-tidy) || exit 1
cppcheck=$(pick cppcheck) || exit 1
command -v python3 >/dev/null || { echo "static-checks: python3 is missing" >&2; exit 1; }

ensure_tree() { # <build dir>: configured, or configured and built from the preset of that name
    local dir=$1 preset
    [[ -f "$dir/compile_commands.json" ]] && return 0
    preset=$(basename "$dir")
    if [[ "$dir" == "$root/build/$preset" ]] && cmake --list-presets 2>/dev/null | grep -q "\"$preset\""; then
        echo "static-checks: $dir has no compile database; building it with the $preset preset"
        cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" >/dev/null && return 0
    fi
    echo "static-checks: no compile database in $dir; configure that tree first" >&2
    return 1
}
ensure_tree "$host_build" || exit 1
ensure_tree "$win_build" || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mapfile -t sources < <(git ls-files -- {actions,platform,ui,support,tests,tools}/'*'.{cpp,h})
printf '%s\n' "${sources[@]}" >"$work/sources"
grep '\.cpp$' "$work/sources" >"$work/units"

# A compile database per tree with one entry per file and variant, our files only, response files spelled
# out (cppcheck does not read them). A file a tree builds in two variants (the bench window with and
# without the full background) keeps both; copies that differ only in GoogleTest's own settings do not.
# The Windows folders go to the Windows tree, the rest to the host tree. A source neither tree builds
# borrows the flags of its nearest neighbour in its tree, as clang-tidy itself would, and is named.
python3 - "$root" "$host_build" "$win_build" "$work" <<'EOF' || exit 1
import json, os, re, shlex, sys

root, host_build, win_build, work = sys.argv[1:5]
windows = re.compile(r"^(platform/win32|ui|support|tests/win32|tests/e2e|tests/bench)/")

def load(build):
    entries = {}
    with open(os.path.join(build, "compile_commands.json")) as f:
        for e in json.load(f):
            args = e.get("arguments") or shlex.split(e["command"])
            full = []
            for a in args:
                if a.startswith("@"):
                    with open(os.path.join(e["directory"], a[1:])) as rsp:
                        full += shlex.split(rsp.read())
                else:
                    full.append(a)
            path = os.path.normpath(os.path.join(e["directory"], e["file"]))
            entries.setdefault(path, []).append({"directory": e["directory"], "file": path, "arguments": full})
    return entries

trees = {"host": load(host_build), "win": load(win_build)}
out = {"host": [], "win": []}
jobs = []
for unit in open(os.path.join(work, "units")).read().split():
    path = os.path.join(root, unit)
    first = "win" if windows.match(unit) else "host"
    other = "host" if first == "win" else "win"
    tree = first if path in trees[first] else other if path in trees[other] else None
    if tree:
        variants = {}
        for e in trees[tree][path]:
            defines = (a for a in e["arguments"] if a.startswith("-D") and not a.startswith("-DGTEST_"))
            variants.setdefault(tuple(sorted(defines)), e)
        entries = list(variants.values())
    else:
        tree = first
        near = max(trees[tree], key=lambda p: len(os.path.commonpath([p, path])))
        e = trees[tree][near][0]
        args = [path if a == near else a for a in e["arguments"]]
        entries = [{"directory": e["directory"], "file": path, "arguments": args}]
        print(f"static-checks: {unit} is built by neither tree; checked with the flags of "
              f"{os.path.relpath(near, root)}")
    out[tree] += entries
    jobs.append(f"{tree} {unit}")

for tree, entries in out.items():
    os.makedirs(os.path.join(work, tree))
    with open(os.path.join(work, tree, "compile_commands.json"), "w") as f:
        json.dump(entries, f, indent=1)
with open(os.path.join(work, "jobs"), "w") as f:
    f.write("\n".join(jobs) + "\n")
with open(os.path.join(work, "win-compiler"), "w") as f:
    f.write(next(iter(trees["win"].values()))[0]["arguments"][0])
EOF

# clang parses the mingw-w64 sources for the cross compiler's own target, with its libstdc++: clang finds
# the mingw-w64 headers by itself but not GCC's C++ library under its "-win32" versioned folder.
win_cxx=$(<"$work/win-compiler")
win_target=$("$win_cxx" -dumpmachine) || exit 1
win_extra="--extra-arg=--target=$win_target"
for dir in $("$win_cxx" -E -x c++ -v /dev/null 2>&1 >/dev/null | sed -n 's/^ \(.*\/c++.*\)$/\1/p'); do
    win_extra+=" --extra-arg=-isystem$(realpath "$dir")"
done
case "$win_target" in
    x86_64-*) win_platform=win64 ;;
    *) win_platform=win32A ;;
esac

failed=0
verdict() { # <tool> <status> <what was checked> <log>; SECONDS counts from the tool's start
    if [[ $2 -eq 0 ]]; then
        echo "$1: passed ($3, ${SECONDS} s)"
    else
        [[ -s "$4" ]] && cat "$4"
        echo "$1: FAILED ($3, ${SECONDS} s)"
        failed=$((failed + 1))
    fi
    SECONDS=0
}

# --- clang-format: the sources as they are, no change allowed
SECONDS=0
xargs -a "$work/sources" -P "$jobs" -n 8 "$clang_format" --dry-run --Werror >"$work/format.log" 2>&1
verdict clang-format $? "${#sources[@]} files" "$work/format.log"

# --- clang-tidy: each source with its tree's flags; our headers through HeaderFilterRegex
tidy_one() { # <tree> <source>
    local extra=() out
    [[ $1 == win ]] && read -ra extra <<<"$TIDY_WIN_EXTRA"
    if out=$("$TIDY" --quiet -p "$TIDY_WORK/$1" "${extra[@]}" "$2" 2>&1); then
        return 0
    fi
    printf '%s\n' "$out" | grep -v -e '^[0-9]* warnings\? generated\.$' -e '^[0-9]* warnings\? and [0-9]* errors\? generated\.$'
    return 1
}
export -f tidy_one
export TIDY="$clang_tidy" TIDY_WORK="$work" TIDY_WIN_EXTRA="$win_extra"
xargs -a "$work/jobs" -P "$jobs" -n 2 bash -c 'tidy_one "$@"' _ >"$work/tidy.log" 2>&1
verdict clang-tidy $? "$(wc -l <"$work/jobs") translation units" "$work/tidy.log"

# --- cppcheck: each tree's database on its own platform; findings in system and GoogleTest headers are
# not ours
cppcheck_tree() { # <tree> <platform> <libraries>
    "$cppcheck" --project="$work/$1/compile_commands.json" --platform="$2" --library="$3" --std=c++17 \
        -j "$jobs" --quiet --inline-suppr --error-exitcode=1 \
        --enable=warning,performance,portability,style \
        --suppress=missingIncludeSystem --suppress='*:/usr/*' \
        --template='{file}:{line}:{column}: {severity}: {message} [{id}]'
}
status=0
cppcheck_tree host native googletest >"$work/cppcheck.log" 2>&1 || status=1
cppcheck_tree win "$win_platform" windows,googletest >>"$work/cppcheck.log" 2>&1 || status=1
verdict cppcheck $status "host and $win_platform databases" "$work/cppcheck.log"

if [[ $failed -eq 0 ]]; then
    echo "static checks: passed (clang-format, clang-tidy, cppcheck)"
else
    echo "static checks: FAILED ($failed of 3 tools found problems)"
    exit 1
fi
