// The final statistics report's flags, made from the process-wide close flags, for
// the dialog and the silent run alike.
#pragma once

#include "telemetry/online_statistics.h"

namespace setup {

// Each flag as the statistics peer reads it: what the user chose, not what the
// dialog's own bookkeeping happens to hold.
telemetry::FinalReportFlags MakeFinalReportFlags();

}  // namespace setup
