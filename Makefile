# The two commands of the README. Both install what is missing first.
.PHONY: test run package bench deps build-host build-win32

deps:
	scripts/install-deps.sh

build-host: deps
	cmake --preset host
	cmake --build --preset host

build-win32: deps
	cmake --preset win32
	cmake --build --preset win32

test: build-host build-win32
	ctest --preset host
	scripts/fuzz.sh
	scripts/static-checks.sh
	scripts/check-package.sh
	scripts/test-windows.sh

run: build-win32
	scripts/run.sh

# DEMO=1: a package for the placeholder domain too, named as a demo.
package: build-win32
	scripts/package.sh $(if $(filter 1,$(DEMO)),--demo)

bench: build-win32
	build=$$(scripts/wine-build.sh) && scripts/wine-session.sh $$build scripts/bench.sh $$build
