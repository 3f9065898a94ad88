// Helpers for window-engine tests: run a window's accept loop on a procedure thread and
// record the events it saw.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/proc_threads.h"
#include "runtime/script/script_driver.h"
#include "runtime/script/script_windows.h"
#include "runtime/window_engine.h"

namespace kwtest {

using namespace std::chrono_literals;

struct Seen {
    int event = 0;
    int control = 0;
    int key = 0;
    bool acceptAll = false;
    bool operator==(const Seen& o) const { return event == o.event && control == o.control; }
};

class EventLog {
  public:
    void add(const kw::ui::Window& w) {
        std::lock_guard lock(m_);
        seen_.push_back(Seen{w.event(), w.field(), w.keyCode(), w.acceptAllActive()});
    }
    void fail(std::string why) {
        std::lock_guard lock(m_);
        error_ = std::move(why);
    }
    std::vector<Seen> take() {
        std::lock_guard lock(m_);
        std::vector<Seen> s = std::move(seen_);
        seen_.clear();
        return s;
    }
    std::string error() const {
        std::lock_guard lock(m_);
        return error_;
    }

  private:
    mutable std::mutex m_;
    std::vector<Seen> seen_;
    std::string error_;
};

using Handler = std::function<void(kw::ui::Window&, int event)>;

// Opens `def` and runs its accept loop, logging every event before `handler` sees it.
inline void runWindow(kw::ui::WindowDef def, EventLog& log, const Handler& handler = {}) {
    kw::ui::Window w;
    if (!w.open(std::move(def))) {
        log.fail(w.error());
        return;
    }
    while (int e = w.accept()) {
        log.add(w);
        if (handler) handler(w, e);
    }
}

// Runs a procedure on a new procedure thread and waits for it to end when destroyed.
class Proc {
  public:
    explicit Proc(kw::proc::Procedure p) : number_(kw::proc::start(std::move(p))) {}
    ~Proc() { join(); }
    bool join() { return number_ == 0 || kw::proc::wait(number_, 10s); }
    int number() const { return number_; }

  private:
    int number_;
};

inline kw::ui::Event E(int event, int control = 0) {
    return kw::ui::Event{event, control};
}

inline std::vector<Seen> S(std::initializer_list<std::pair<int, int>> list) {
    std::vector<Seen> v;
    for (auto [e, c] : list) v.push_back(Seen{e, c});
    return v;
}

}  // namespace kwtest
