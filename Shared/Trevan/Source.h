// The source position that the toolkit's system-call checks report; each
// call site passes its own fixed line number with it.
#pragma once

namespace Trevan {
constexpr char kSource[] = "Shared/Trevan/Trevan";
}
