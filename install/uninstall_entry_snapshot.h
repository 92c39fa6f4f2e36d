// The product's uninstall entry as it was before an install wrote it, so that an
// install that fails or is cancelled afterwards can put it back exactly.
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"

namespace install {

class UninstallEntrySnapshot {
 public:
  // Reads every value of the entry `entryName` (nothing is created).
  void Take(const std::string& entryName);
  // Puts the entry back as it was: removed when there was none, otherwise its values
  // exactly. False when the store refused a write.
  bool Restore() const;

  bool Existed() const { return existed_; }

 private:
  std::string key_;
  bool existed_ = false;
  std::vector<platform::RegValue> values_;
};

}  // namespace install
