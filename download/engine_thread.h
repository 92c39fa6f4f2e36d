// Engine threads are started and never joined; each keeps what it uses alive itself.
#pragma once

#include <cstdint>
#include <functional>

// Starts `body` on a detached thread. Returns the thread's serial number (from 1 on),
// or 0 when no thread could be started; `body` has then not run.
std::uint32_t StartEngineThread(std::function<void()> body);
