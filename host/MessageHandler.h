// The host's message handler, which modules find by name in the executable:
// it turns the support library's boxes into console lines when the host runs
// without a window (--headless); otherwise it shows real boxes, as the
// library would. Only the executable holds it: test programs export their own.
#pragma once

void SetHeadless(bool headless);
