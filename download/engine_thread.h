// The engine never waits for its threads; each keeps what it uses alive itself. A
// program that exits after a download waits for them with WaitForDownloadThreads.
#pragma once

#include <cstdint>
#include <functional>

namespace download {

// Starts `body` on a thread of its own. Returns the thread's serial number (from 1 on),
// or 0 when no thread could be started; `body` has then not run.
std::uint32_t StartEngineThread(std::function<void()> body);

}  // namespace download
