// "Control Disabled": whether the settings page is left out of the host's
// control panel. A policy (Policy.h) that holds it as a REG_DWORD decides,
// the machine's before the user's: nonzero hides the page from every user
// it applies to, 0 shows it whatever the user's own switch says. Without
// one, the user's own switch in PLUGIN_KEY decides as the support library
// reads a number (a REG_DWORD, or a text's leading digits); missing: 0.
// Read afresh at each call; no key is made.
#pragma once

bool ControlPageHidden();
