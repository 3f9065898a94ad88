// The number of the calling procedure thread: 1 for the program entry's thread, 2..64
// for procedure threads started later. Threads that are not procedure threads count
// as thread 1.
#pragma once

namespace kw::proc {

int currentThread();
// Used by the procedure-thread runtime when a thread starts.
void setCurrentThread(int number);

}  // namespace kw::proc
