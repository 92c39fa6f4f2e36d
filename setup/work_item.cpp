#include "setup/work_item.h"

#include "base/install_log.h"

namespace setup {

void WorkItemList::AddAction(std::string name, std::function<void()> action) {
  Add(std::make_unique<CallbackWorkItem>(std::move(name), [action = std::move(action)] {
    action();
    return true;
  }));
}

WorkListResult WorkItemList::Run(const std::function<bool()>& cancelled) {
  done_ = 0;
  for (const std::unique_ptr<WorkItem>& item : items_) {
    if (cancelled && cancelled()) {
      base::WriteLog("Install stopped before \"%s\": rolling back.\n", item->Name().c_str());
      RollbackDone();
      return WorkListResult::kCancelled;
    }
    if (!item->Do()) {
      // A step that polls the cancel request fails when it is set; that is a cancel.
      const bool wasCancel = cancelled && cancelled();
      base::WriteLog("Install step \"%s\" %s: rolling back.\n", item->Name().c_str(), wasCancel ? "stopped" : "failed");
      RollbackDone();
      return wasCancel ? WorkListResult::kCancelled : WorkListResult::kFailed;
    }
    ++done_;
  }
  return WorkListResult::kDone;
}

void WorkItemList::Commit() {
  for (std::size_t i = 0; i < done_; ++i) items_[i]->Commit();
  done_ = 0;
}

void WorkItemList::RollbackDone() {
  while (done_ > 0) {
    --done_;
    items_[done_]->Rollback();
  }
  base::WriteLog("Rollback finished.\n");
}

}  // namespace setup
