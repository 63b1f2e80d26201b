#include "Resources/Instance.h"

#include <co.h>

static HINSTANCE instance = nullptr;

HINSTANCE PluginInstance() { return instance ? instance : CoModule(); }

void SetPluginInstance(HINSTANCE module) { instance = module; }
