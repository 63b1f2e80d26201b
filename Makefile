# make test: install what is missing, build, run the tests under Wine.
# make demo: install what is missing, build, run the example.
# make screenshot: build, then save a picture of the control panel as
# docs/control-panel.png.
# make bench: build, then measure the plug-in's commands against the
# alternatives under Wine; prints the table and writes it as
# build/ARCH/bench/bench.csv (BENCH_ARGS=--quick for a short smoke run).
.PHONY: all setup build test demo screenshot bench clean

ARCH = $(shell tools/arch.sh)

all: build

setup:
	@tools/setup.sh

build: setup
	@tools/build.sh $(ARCH)
	@if [ "$(ARCH)" != i686 ]; then echo "building the 32-bit configuration as well"; tools/build.sh i686; fi

test: build
	@tools/wine-session.sh $(ARCH) ctest --test-dir build/$(ARCH) --output-on-failure -j2

demo: build
	@tools/wine-session.sh $(ARCH) sh -c 'cd build/$(ARCH)/host && ../../../tools/wine-run tallivant.exe --headless --install ../Plugin/aRvik.dll ../../../examples/demo.tvs'
	@tools/wine-session.sh $(ARCH) sh -c 'cd build/$(ARCH)/host && ../../../tools/wine-run tallivant.exe --headless ../../../examples/programs-and-files.tvs'
	@echo
	@echo "To open the control panel with the settings page on your display:"
	@echo "  ARVIK_IN_XVFB=1 tools/wine-session.sh $(ARCH) tools/wine-run build/$(ARCH)/host/tallivant.exe --control-panel"
	@echo "Without a display, 'make screenshot' saves its picture as docs/control-panel.png."

screenshot: build
	@mkdir -p docs
	@tools/wine-session.sh $(ARCH) sh -c 'cd build/$(ARCH)/host && ../../../tools/wine-run tallivant.exe --headless --install ../Plugin/aRvik.dll --control-panel --screenshot ../../../docs/control-panel.png'

bench: build
	@tools/wine-session.sh $(ARCH) sh -c 'cd build/$(ARCH)/bench && ../../../tools/wine-run aRvik_bench.exe $(BENCH_ARGS)'

clean:
	rm -rf build
