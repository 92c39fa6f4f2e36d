// The dump a crashed process leaves: a text file with the signal, the fault address,
// the registers, the crashing thread's frames and a slice of its stack, the loaded
// modules with their build ids and the memory map, enough to symbolise the crash in
// another process later.
//
//   corvex crash dump 1
//   signal 11 SIGSEGV
//   ...
//   frames
//   0x000055d5c3a01139
//   ...
//   stack 0x00007ffd5a0c1e00
//   0x00007ffd5a0c1e00 0x0000000000000000 ...
//   modules
//   0x000055d5c3a00000 3f2c...e1 /usr/bin/corvex-online-setup
//   maps
//   <the lines of /proc/self/maps>
//   end
#pragma once

#include "platform/crash_signals.h"

namespace platform {

// Records the loaded modules and their build ids, and readies everything the dump
// writer needs; called before a crash can happen (the handler cannot allocate).
void PrepareCrashDump();

// Async-signal-safe. Creates or replaces `path` and writes the dump of `context`.
// False when the file cannot be created.
bool WriteCrashDump(const CrashContext& context, const char* path);

}  // namespace platform
