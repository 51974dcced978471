#!/usr/bin/env bash
# scripts/install-deps.sh against a package mirror that fails, with nothing really installed: apt-get,
# dpkg, dpkg-query, locale, locale-gen, sudo and sleep are stand-ins on PATH that keep their state in a
# folder and write down every call. The groups each command asks for are read from `make -n`, so that a
# Makefile that asked `make quick` for an i386 package fails here too.
#   mirror-faults.sh <source dir>
set -uo pipefail

source_dir=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stand_ins=$work/bin
mkdir -p "$stand_ins"

# The stand-ins. State: installed (a package a line), architectures (the foreign ones), update-failures
# (how many more updates fail), i386-broken (present: the i386 index fails and no i386 package can be had).
cat >"$stand_ins/apt-get" <<'EOF'
#!/bin/bash
echo "apt-get $*" >>"$STATE/calls"
broken_index() {
    echo "E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/$1/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100
}
case " $* " in
*" update "*)
    failures=$(cat "$STATE/update-failures" 2>/dev/null || echo 0)
    if ((failures > 0)); then
        echo $((failures - 1)) >"$STATE/update-failures"
        broken_index binary-amd64
    fi
    # -o APT::Architectures=amd64 leaves the i386 indices out.
    if [[ -f "$STATE/i386-broken" && "$*" != *"APT::Architectures=amd64"* ]] &&
        grep -qx i386 "$STATE/architectures"; then
        broken_index binary-i386
    fi
    exit 0 ;;
*" install "*)
    for p in "$@"; do
        if [[ $p == *:i386 ]] && { [[ -f "$STATE/i386-broken" ]] || ! grep -qx i386 "$STATE/architectures"; }; then
            echo "E: Unable to locate package $p"
            exit 100
        fi
    done
    for p in "$@"; do [[ $p == -* || $p == install || $p == -q ]] || echo "$p" >>"$STATE/installed"; done ;;
esac
EOF
cat >"$stand_ins/dpkg" <<'EOF'
#!/bin/bash
echo "dpkg $*" >>"$STATE/calls"
case $1 in
--print-foreign-architectures) cat "$STATE/architectures" ;;
--print-architecture) echo amd64 ;;
--add-architecture) echo "$2" >>"$STATE/architectures" ;;
esac
EOF
cat >"$stand_ins/dpkg-query" <<'EOF'
#!/bin/bash
grep -qx -- "${@: -1}" "$STATE/installed" && echo "install ok installed"
EOF
cat >"$stand_ins/sleep" <<'EOF'
#!/bin/bash
echo "sleep $*" >>"$STATE/calls"
EOF
printf '#!/bin/bash\nprintf "C\\nen_US.utf8\\nfa_IR.utf8\\n"\n' >"$stand_ins/locale"
printf '#!/bin/bash\necho "locale-gen $*" >>"$STATE/calls"\n' >"$stand_ins/locale-gen"
printf '#!/bin/bash\nexec "$@"\n' >"$stand_ins/sudo"
chmod +x "$stand_ins"/*

# The groups that `make <target>` asks for.
groups_of() {
    make -n -C "$source_dir" "$1" 2>/dev/null | sed -n 's|^scripts/install-deps.sh *||p' | head -n 1
}
quick_groups=$(groups_of quick)
run_groups=$(groups_of run)

failed=0
check() { # <case> <description> <condition...>
    local name=$1 what=$2
    shift 2
    if ! "$@"; then
        echo "FAILED: $name: $what"
        echo "--- output"
        cat "$STATE/output"
        echo "--- calls"
        cat "$STATE/calls"
        failed=1
    fi
}
calls() { grep -c -- "$1" "$STATE/calls"; }
has() { grep -q -- "$1" "$2"; }
hasnt() { ! grep -q -- "$1" "$2"; }

# run_case <name> <foreign architectures> <update failures> <i386 broken: yes|no> <installed...> -- <groups...>
# Runs the script in a fresh state; sets status.
run_case() {
    name=$1
    export STATE=$work/$1
    mkdir -p "$STATE"
    printf '%s' "$2" >"$STATE/architectures"
    [[ -s "$STATE/architectures" ]] && echo >>"$STATE/architectures"
    echo "$3" >"$STATE/update-failures"
    [[ $4 == yes ]] && touch "$STATE/i386-broken"
    shift 4
    : >"$STATE/installed"
    : >"$STATE/calls"
    while [[ $1 != -- ]]; do
        echo "$1" >>"$STATE/installed"
        shift
    done
    shift
    rerun "$@"
}
rerun() {
    PATH="$stand_ins:$PATH" TOVALSET_APT_WAIT=300 "$source_dir/scripts/install-deps.sh" "$@" >"$STATE/output" 2>&1
    status=$?
}

host_packages=(make cmake g++ googletest libgtest-dev libjpeg-dev clang libclang-rt-14-dev clang-tidy clang-format cppcheck)

# A fault that passes: two failed updates, then the install.
run_case passing "" 2 no -- host
check passing "exit code 0, got $status" test $status -eq 0
check passing "three updates, two pauses growing" test "$(calls 'apt-get update')" -eq 3 -a "$(calls 'sleep 5$')" -eq 1 -a "$(calls 'sleep 10$')" -eq 1
check passing "the failing index named" has 'binary-amd64/Packages.xz' "$STATE/output"
check passing "the host group installed" has cppcheck "$STATE/installed"

# Everything there: no update at all, however broken the mirror.
run_case present "i386" 99 yes "${host_packages[@]}" -- host
check present "exit code 0, got $status" test $status -eq 0
check present "apt-get not called" test "$(calls apt-get)" -eq 0

# The mirror never recovers, but what is missing can be had from the indices there are.
run_case stale "" 99 no "${host_packages[@]:1}" -- host
check stale "exit code 0, got $status" test $status -eq 0
check stale "make installed" has '^make$' "$STATE/installed"
pauses=$(($(sed -n "s/^sleep //p" "$STATE/calls" | paste -sd+)))
check stale "pauses within the bound of 300 s, and more than one, got ${pauses:-0}" test "${pauses:-0}" -le 300 -a "$(calls '^sleep')" -gt 1
check stale "one try more than pauses" test "$(calls 'apt-get update')" -eq $(($(calls '^sleep') + 1))

# The mirror never recovers and 32-bit Wine is missing: one message, exit code 75, and a later run goes on.
run_case i386 "" 0 yes "${host_packages[@]}" -- wine32
check i386 "exit code 75, got $status" test $status -eq 75
check i386 "the i386 architecture added" test "$(calls 'dpkg --add-architecture i386')" -eq 1
check i386 "the message names the package, the index, the mirror and make quick" \
    bash -c "grep -q 'wine32:i386' '$STATE/output' && grep -q 'binary-i386/Packages.xz' '$STATE/output' &&
             grep -q 'This is the mirror, not the project' '$STATE/output' && grep -q 'make quick' '$STATE/output'"
rm "$STATE/i386-broken"
rerun wine32
check i386 "after the mirror recovered: exit code 0, got $status" test $status -eq 0
check i386 "after the mirror recovered: 32-bit Wine installed" has 'wine32:i386' "$STATE/installed"
check i386 "the architecture added once" test "$(calls 'dpkg --add-architecture')" -eq 1

# make quick on a machine with the i386 architecture whose index fails: only amd64's are updated.
run_case quick "i386" 0 yes -- $quick_groups
check quick "make quick asks for groups, got '$quick_groups'" test -n "$quick_groups"
check quick "exit code 0, got $status" test $status -eq 0
check quick "updated for amd64 alone, without a pause" bash -c "! grep 'apt-get update' '$STATE/calls' | grep -qv APT::Architectures=amd64 && ! grep -q '^sleep' '$STATE/calls'"
check quick "no i386 package" hasnt ':i386' "$STATE/installed"
check quick "64-bit Wine installed" has '^wine64$' "$STATE/installed"

# make quick on a machine without the i386 architecture never adds it.
run_case quick-bare "" 0 no -- $quick_groups
check quick-bare "exit code 0, got $status" test $status -eq 0
check quick-bare "no i386 architecture" test "$(calls 'add-architecture')" -eq 0

# make run asks for 32-bit Wine exactly where the kernel runs it.
if "$source_dir/scripts/kernel-runs-i386.sh"; then
    check run "make run asks for wine32 on this kernel: '$run_groups'" grep -qw wine32 <<<"$run_groups"
else
    check run "make run needs no wine32 on this kernel: '$run_groups'" bash -c "! grep -qw wine32 <<<'$run_groups'"
fi

if [[ $failed -eq 0 ]]; then
    echo "install-deps.sh against a failing mirror: every case passed"
fi
exit $failed
