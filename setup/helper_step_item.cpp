#include "setup/helper_step_item.h"

#include "setup/install_helper_client.h"

namespace setup {

bool HelperStepItem::Do() {
  if (!helper_) {
    failure_.failure = InstallFailure::kHelperLost;
    return false;
  }
  const HelperResult result = helper_->Call(request_, fields_ ? fields_() : std::string(), -1, events_);
  if (!result.ok) {
    failure_.failure = static_cast<InstallFailure>(result.failure);
    return false;
  }
  step_ = result.step;
  return true;
}

void HelperStepItem::Rollback() {
  if (step_ && helper_) helper_->Call(HelperMessage::kRollback, MessageWriter().Number(step_).Bytes());
  step_ = 0;
}

void HelperStepItem::Commit() {
  if (step_ && helper_) helper_->Call(HelperMessage::kCommit, MessageWriter().Number(step_).Bytes());
  step_ = 0;
}

}  // namespace setup
