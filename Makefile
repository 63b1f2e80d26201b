# make test: install what is missing, build, run the tests under Wine.
# make demo: install what is missing, build, run the example.
.PHONY: all setup build test demo clean

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

clean:
	rm -rf build
