// Procedure threads: every procedure of the program runs on one. The program entry runs
// on thread 1; a procedure may start another on a new thread, numbered 2..64, with at
// most 63 of them alive at once. Each is a real thread with a stack of at least
// kMinStackSize bytes; its THREAD record buffers and driver state are thread_local, so
// they live exactly as long as the thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

#include "runtime/proc_thread.h"

namespace kw::proc {

using Procedure = std::function<void()>;

constexpr int kEntryThread = 1;
constexpr int kMaxThread = 64;                  // highest thread number
constexpr std::size_t kMinStackSize = 1 << 20;  // stack sizes asked for below this get this

// Starts `procedure` on a new procedure thread with a stack of at least `stackSize`
// bytes. Returns the new thread's number (2..64), or 0 when 63 started threads are
// still running or the system refused a thread; the procedure is then not run.
int start(Procedure procedure, std::size_t stackSize = 0);

// Runs the program entry on procedure thread 1, a thread of its own (the caller's
// thread stays free, e.g. for the GUI). False when thread 1 is already running or
// could not be created.
bool startEntry(Procedure procedure, std::size_t stackSize = 0);

// Procedure threads alive now, thread 1 included.
int running();
bool isRunning(int number);

// Blocks until every procedure thread (thread 1 included) has ended, its thread_local
// objects destroyed. The timed form returns false when some are still running.
void waitAll();
bool waitAll(std::chrono::milliseconds timeout);
// Blocks until thread `number` has ended (at once when it is not running).
bool wait(int number, std::chrono::milliseconds timeout);

}  // namespace kw::proc
