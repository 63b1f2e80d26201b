# make build [CONFIG=Debug]: install what is missing, build the module, the
# host, the tests and the bench (Debug: with symbols, in build/ARCH-debug).
# make test: install what is missing, build, run the tests under Wine.
# make demo: install what is missing, build what the demo runs (the host,
# the module and its help; no tests, no bench) with one line of output, run
# the example scripts.
# make run SCRIPT=FILE: build what the demo builds, install the plug-in when
# it is not yet registered from this build, run the session script FILE
# (relative to the top of the tree, or absolute).
# make screenshot: build what the demo builds, then save a picture of the
# control panel with the example parameters (and a policy's) of
# docs/control-panel.tvs as docs/control-panel.png.
# make dist: build the 32-bit module, its help and its packages, and put
# what ships into build/dist: aRvik-VERSION-setup.exe, aRvik-VERSION.msi,
# aRvik-VERSION.zip, PolicyDefinitions and SHA256SUMS. With
# SIGN_PFX=FILE (PKCS#12) and SIGN_PASSWORD_FILE=FILE they are signed, and
# SHA256SUMS gets SHA256SUMS.p7s; SIGN_TIMESTAMP_URL=URL (an RFC 3161
# authority) time-stamps every signature.
# make reproducible: build the shipped module twice, in two folders, and
# compare the two byte for byte.
# make bench: build, then measure the plug-in's commands against the
# alternatives under Wine; prints the table and writes it as
# build/ARCH/bench/bench.csv (BENCH_ARGS=--quick for a short smoke run).
.PHONY: all setup build runnable test dist reproducible demo run screenshot bench clean

ARCH = $(shell tools/arch.sh)
$(if $(ARCH),,$(error tools/arch.sh named no architecture))
# make build CONFIG=Debug: the developers' configuration (symbols, no
# optimisation) in build/ARCH-debug. Everything else builds and runs
# Release, what ships: the tests always run the stripped module.
CONFIG = Release
# CMake's makes below ours without their "Entering directory" lines.
MAKEFLAGS += --no-print-directory

all: build

setup:
	@tools/setup.sh

# Where 32-bit programs cannot run, the 32-bit configuration builds only
# what ships (the module with its check, its help, its installer): its
# tests and the bench could not run there.
SHIPPED = aRvik arvik_help installer

build: setup
	@ARVIK_CONFIG=$(CONFIG) tools/build.sh $(ARCH)
	@if [ "$(ARCH)" != i686 ]; then echo "building what ships of the 32-bit configuration as well"; \
	  ARVIK_CONFIG=$(CONFIG) tools/build.sh i686 ON "$(SHIPPED)"; fi

# The tests and the bench run what ships, whatever CONFIG says.
test bench: override CONFIG = Release

# What the demo, make run and make screenshot run: the host, the module and
# its help, for this machine's architecture only.
# Its output goes to build/ARCH/build.log; one line says what was built.
runnable: setup
	@ARVIK_CONFIG=Release ARVIK_QUIET=1 tools/build.sh $(ARCH) ON "tallivant_exe aRvik arvik_help"

test: build
	@tools/wine-session.sh $(ARCH) ctest --test-dir build/$(ARCH) --output-on-failure -j2

# The module ships as 32-bit code, whatever the tests run as here.
dist: setup
	@ARVIK_SIGN_PFX="$(if $(SIGN_PFX),$(abspath $(SIGN_PFX)))" \
	  ARVIK_SIGN_PASSWORD_FILE="$(if $(SIGN_PASSWORD_FILE),$(abspath $(SIGN_PASSWORD_FILE)))" \
	  ARVIK_SIGN_TIMESTAMP_URL="$(SIGN_TIMESTAMP_URL)" ARVIK_CONFIG=Release tools/build.sh i686 ON dist
	@rm -rf build/dist && cp -r build/i686/installer/dist build/dist
	@ls -l build/dist

reproducible: setup
	@tools/reproducible.sh

demo: runnable
	@tools/wine-session.sh $(ARCH) sh -c 'cd build/$(ARCH)/host && ../../../tools/wine-run tallivant.exe --headless --install ../Plugin/aRvik.dll ../../../examples/demo.tvs'
	@tools/wine-session.sh $(ARCH) sh -c 'cd build/$(ARCH)/host && ../../../tools/wine-run tallivant.exe --headless ../../../examples/programs-and-files.tvs'
	@tools/wine-session.sh $(ARCH) sh -c 'cd build/$(ARCH)/host && ../../../tools/wine-run tallivant.exe --headless ../../../examples/processes.tvs'
	@tools/wine-session.sh $(ARCH) sh -c 'cd build/$(ARCH)/host && ../../../tools/wine-run tallivant.exe --headless ../../../examples/files-and-web.tvs'
	@tools/wine-session.sh $(ARCH) sh -c 'cd build/$(ARCH)/host && ../../../tools/wine-run tallivant.exe --headless ../../../examples/update-check.tvs'
	@echo
	@echo "To open the control panel with the settings page on your display:"
	@echo "  ARVIK_IN_XVFB=1 tools/wine-session.sh $(ARCH) tools/wine-run build/$(ARCH)/host/tallivant.exe --control-panel"
	@echo "Without a display, 'make screenshot' saves its picture as docs/control-panel.png."

# The host runs in build/ARCH/host, so the script goes by its full name.
run: runnable
	@case "$(SCRIPT)" in "") echo "usage: make run SCRIPT=path/to/script.tvs"; exit 2;; /*) s="$(SCRIPT)";; \
	  *) s="$(CURDIR)/$(SCRIPT)";; esac; [ -f "$$s" ] || { echo "make run: no script $$s"; exit 2; }; \
	  tools/wine-session.sh $(ARCH) sh -c 'cd build/$(ARCH)/host && \
	    ../../../tools/wine-run tallivant.exe --headless --install-if-needed ../Plugin/aRvik.dll "$$1"' sh "$$s"

# The picture is made in a prefix of its own, its parameters and the user's
# policies set anew each time from docs/control-panel.tvs: the settings in
# build/ARCH/wineprefix stay as they are.
screenshot: runnable
	@ARVIK_WINEPREFIX=$(CURDIR)/build/$(ARCH)/picture/wineprefix tools/wine-session.sh $(ARCH) sh -c ' \
	  tools/wine-run reg delete "HKCU\Software\Kelmir\Tallivant\Plugins\aRvik\Session Props" /f >/dev/null 2>&1; \
	  tools/wine-run reg delete "HKCU\Software\Policies\Kelmir\Tallivant\aRvik" /f >/dev/null 2>&1; \
	  cd build/$(ARCH)/host && ../../../tools/wine-run tallivant.exe --headless --install ../Plugin/aRvik.dll \
	    ../../../docs/control-panel.tvs --control-panel --screenshot ../../../docs/control-panel.png'

bench: build
	@tools/wine-session.sh $(ARCH) sh -c 'cd build/$(ARCH)/bench && ../../../tools/wine-run aRvik_bench.exe $(BENCH_ARGS)'

clean:
	rm -rf build
