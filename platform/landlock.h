// Confining what a child program may do to files, with the kernel's Landlock
// rulesets: a program run under one can read the system's programs and libraries,
// read the files it was given and change nothing but the folders it was given.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The highest Landlock ABI the kernel offers; 0 when it offers none (or refuses it).
int LandlockAbi();

// Owns a ruleset descriptor, handed to a child by LaunchOptions::confinement; the
// child enforces it on itself between fork and exec.
class FileConfinement {
 public:
  FileConfinement() = default;
  FileConfinement(FileConfinement&& other) noexcept;
  FileConfinement& operator=(FileConfinement&& other) noexcept;
  FileConfinement(const FileConfinement&) = delete;
  FileConfinement& operator=(const FileConfinement&) = delete;
  ~FileConfinement();

  // Reading (and running) below the system folders, reading `readableFiles`, every
  // change below `writableFolders`, and no TCP, no signals or abstract sockets
  // outside the child's own domain. Invalid when the kernel has no Landlock or one of
  // the given paths cannot be opened.
  static FileConfinement Create(const std::vector<std::string>& readableFiles,
                                const std::vector<std::string>& writableFolders);

  bool Valid() const { return descriptor_ >= 0; }
  int Descriptor() const { return descriptor_; }
  int Abi() const { return abi_; }

 private:
  int descriptor_ = -1;
  int abi_ = 0;
};

// The child's side: no new privileges, then the ruleset. Only async-signal-safe
// calls. False when the kernel refused either.
bool EnforceConfinement(int rulesetDescriptor);

}  // namespace platform
