#include <fwjot/Jotter.h>

// Jotter is all inline so far; this unit gives the library its object file
// and checks that the header stands on its own.
