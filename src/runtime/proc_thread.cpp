#include "runtime/proc_thread.h"

namespace kw::proc {
namespace {
thread_local int t_number = 1;
}

int currentThread() {
    return t_number;
}
void setCurrentThread(int number) {
    t_number = number;
}

}  // namespace kw::proc
