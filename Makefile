# The two commands of the README, `make run` and `make test`; both install what is missing first.
# The Windows tests run the 32-bit build that ships wherever the kernel runs 32-bit code; on a kernel that
# runs none, the x86_64 build of the same sources under 64-bit Wine, and the shipped exe is checked as a
# file only.
.PHONY: test run package bench deps

# Asked when a recipe runs, after deps has installed Wine.
windows = $(shell /usr/lib/wine/wine --version >/dev/null 2>&1 && echo win32 || echo win64)
stand_in = $(filter win64,$(windows))

deps:
	scripts/install-deps.sh

test: deps
	cmake --preset host && cmake --build --preset host
	cmake --build --preset format-check
	ctest --preset host
	cmake --preset fuzz && cmake --build --preset fuzz
	ctest --preset fuzz
	cmake --preset win32 && cmake --build --preset win32
	$(if $(stand_in),ctest --preset win32-exe)
	$(if $(stand_in),cmake --preset win64 && cmake --build --preset win64)
	cmake -D PRESET=$(windows) -D BUILD=build/$(windows) -P cmake/RunOnceMore.cmake
	$(if $(stand_in),@echo "This kernel runs no 32-bit code: the shipped 32-bit exe was checked as a file only; the Windows tests ran the x86_64 build of the same sources under 64-bit Wine.")

run: deps
	cmake --preset $(windows) && cmake --build --preset $(windows)
	scripts/wine.sh run build/$(windows) $(windows)

# DEMO=1: a package for the placeholder domain too, named as a demo.
package: deps
	cmake --preset win32 && cmake --build --preset win32
	cpack --preset win32 $(if $(filter 1,$(DEMO)),-D TOVALSET_DEMO=1)

bench: deps
	cmake --preset $(windows) && cmake --build --preset $(windows)
	scripts/wine.sh start build/$(windows)/wine $(windows)
	scripts/wine.sh exec build/$(windows)/wine bash bench/bench.sh build/$(windows); \
	    status=$$?; scripts/wine.sh stop build/$(windows)/wine; exit $$status
