// One step of the install transaction and the list that runs them. A step that
// changes the machine can undo itself; the list undoes the steps it ran, newest
// first, when a later one fails or the run is cancelled, so the machine ends either
// fully installed or as it was.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace setup {

class WorkItem {
 public:
  explicit WorkItem(std::string name) : name_(std::move(name)) {}
  virtual ~WorkItem() = default;
  WorkItem(const WorkItem&) = delete;
  WorkItem& operator=(const WorkItem&) = delete;

  // False: the step failed; the list stops and rolls back.
  virtual bool Do() = 0;
  // Undoes what a successful Do changed. Never called when Do failed, so Do
  // cleans up its own half-done work.
  virtual void Rollback() {}
  // The transaction went through: drop what Rollback would have needed.
  virtual void Commit() {}

  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

// A step that changes nothing that needs undoing (a log line, a report, a wait).
class CallbackWorkItem : public WorkItem {
 public:
  CallbackWorkItem(std::string name, std::function<bool()> action)
      : WorkItem(std::move(name)), action_(std::move(action)) {}
  bool Do() override { return action_(); }

 private:
  std::function<bool()> action_;
};

enum class WorkListResult { kDone, kFailed, kCancelled };

class WorkItemList {
 public:
  // Takes the step; returns it for callers that read its results later.
  template <typename Item>
  Item* Add(std::unique_ptr<Item> item) {
    Item* raw = item.get();
    items_.push_back(std::move(item));
    return raw;
  }
  // Adds a CallbackWorkItem that always succeeds.
  void AddAction(std::string name, std::function<void()> action);

  // Runs the steps in order. `cancelled` is asked before each step; a step that
  // runs long asks it itself. On failure or cancel every step done so far is rolled
  // back, newest first.
  WorkListResult Run(const std::function<bool()>& cancelled);
  // After kDone: lets every step drop its undo data.
  void Commit();

 private:
  void RollbackDone();

  std::vector<std::unique_ptr<WorkItem>> items_;
  std::size_t done_ = 0;
};

}  // namespace setup
