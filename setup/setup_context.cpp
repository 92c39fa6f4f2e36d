#include "setup/setup_context.h"

namespace {
SetupContext& Context() {
  static SetupContext context;
  return context;
}
}  // namespace

void SetSetupContext(const SetupContext& context) { Context() = context; }
const SetupContext& GetSetupContext() { return Context(); }
bool IsSilentRun() { return Context().silent; }
