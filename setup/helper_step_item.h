// A step of the install that the install helper does: Do sends the request, and the
// helper keeps what it changed until this step's Commit or Rollback tells it what to
// do with it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/progress_callback.h"
#include "setup/helper_protocol.h"
#include "setup/install_work_items.h"
#include "setup/work_item.h"

namespace setup {

class InstallHelperClient;

class HelperStepItem : public WorkItem {
 public:
  // `helper` is read when the step runs: the helper starts after the list is built.
  HelperStepItem(std::string name, const std::unique_ptr<InstallHelperClient>& helper, HelperMessage request,
                 std::function<std::string()> fields, StepFailure& failure, base::ProgressCallback events = nullptr)
      : WorkItem(std::move(name)),
        helper_(helper),
        request_(request),
        fields_(std::move(fields)),
        failure_(failure),
        events_(std::move(events)) {}
  bool Do() override;
  void Rollback() override;
  void Commit() override;

 private:
  const std::unique_ptr<InstallHelperClient>& helper_;
  HelperMessage request_;
  std::function<std::string()> fields_;
  StepFailure& failure_;
  base::ProgressCallback events_;
  std::uint32_t step_ = 0;  // the helper's name for what it keeps; 0: nothing
};

}  // namespace setup
