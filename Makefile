# The two commands of the README, `make run` and `make test`; both install what is missing first.
# The exe that ships is 32-bit. Its Windows tests run in two prefixes, a 32-bit one reporting Windows XP and
# a 64-bit one reporting Windows 10 where the 32-bit programs run as on most users' machines (WoW64):
# under Wine here where the kernel runs 32-bit code, and where it runs none on an emulated machine that
# does (scripts/run-emulated.sh). The x86_64 build of the same sources runs the Windows tests natively
# under 64-bit Wine: `make quick` is that loop alone, with the host tests.
.PHONY: test quick run package bench repeat

# Whether this kernel runs 32-bit code, asked of the kernel itself before any Wine is installed. The
# Windows tests run one at a time (two at once met on one display and two cores, and one failed once,
# natively); on the emulated machine two at a time, as each waits mostly on its own slow program starts.
native32 := $(shell scripts/kernel-runs-i386.sh && echo yes)
emulated = $(if $(native32),,scripts/run-emulated.sh)
windows = $(if $(native32),win32,win64)

# Each command installs the package groups it uses (scripts/install-deps.sh says what each holds); with
# none, everything `make test` needs on this kernel. Running the exe here takes 32-bit Wine only where the
# kernel runs it: elsewhere the x86_64 build runs under 64-bit Wine.
install = scripts/install-deps.sh
wine = cross wine $(if $(native32),wine32)

test:
	$(install)
	cmake --preset host && cmake --build --preset host
	cmake --build --preset format-check
	ctest --preset host
	cmake --preset fuzz && cmake --build --preset fuzz
	ctest --preset fuzz
	cmake --preset win32 && cmake --build --preset win32
	cmake --preset win64 && cmake --build --preset win64
	ctest --preset win32-exe
	cpack --preset win32 -D TOVALSET_DEMO=1 >build/win32/shipped.log
	ctest --preset win64
	$(emulated) ctest --preset win32 $(if $(emulated),-j 2)
	$(emulated) ctest --preset wow64 $(if $(emulated),-j 2)

quick:
	$(install) host cross wine
	cmake --preset host && cmake --build --preset host && ctest --preset host
	cmake --preset win64 && cmake --build --preset win64 && ctest --preset win64

# What a user builds to run or ship skips the static checks (clang-tidy and cppcheck on every file, minutes
# of work): `make test` builds with them.
unchecked = -D TOVALSET_STATIC_CHECKS=OFF

run:
	$(install) $(wine)
	cmake --preset $(windows) $(unchecked) && cmake --build --preset $(windows)
	scripts/wine.sh run build/$(windows) $(windows)

# DEMO=1: a package for the placeholder domain too, named as a demo. A build that may not be released
# ends with the reason, before anything is built. Only the exe is packaged, so only the exe is built.
package:
	$(install) cross package
	cmake --preset win32 $(unchecked) -D CMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
	@if [ "$(DEMO)" != 1 ] && [ -e build/win32/package/refusal.txt ]; then \
	    cat build/win32/package/refusal.txt >&2; exit 1; fi
	cmake --build --preset win32 --target TovalSet
	cpack --preset win32 $(if $(filter 1,$(DEMO)),-D TOVALSET_DEMO=1)

bench:
	$(install) $(wine) bench
	cmake --preset $(windows) && cmake --build --preset $(windows)
	scripts/wine.sh start build/$(windows)/wine $(windows)
	scripts/wine.sh exec build/$(windows)/wine bash bench/bench.sh build/$(windows); \
	    status=$$?; scripts/wine.sh stop build/$(windows)/wine; exit $$status

# `make repeat N=10`: the end-to-end tests N times in a row, each run in a fresh Wine session, and how many
# passed in how long; PRESET=wow64 or win64 for another tier than the shipped exe's XP prefix. A tree that
# is configured already is built as it is; a new one without the static checks.
N = 10
PRESET = win32
tree = $(if $(filter win64,$(PRESET)),win64,win32)

repeat:
	$(install) cross wine $(if $(filter win32,$(tree)),wine32 package $(if $(native32),,emulated))
	[ -f build/$(tree)/CMakeCache.txt ] || cmake --preset $(tree) $(unchecked)
	cmake --build --preset $(tree)
	$(if $(filter win32,$(tree)),cpack --preset win32 -D TOVALSET_DEMO=1 >build/win32/shipped.log)
	scripts/repeat.sh $(N) $(PRESET)
