#include "runtime/halt.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace kw {

namespace {

std::mutex g_mu;
HaltHandler g_handler;
std::function<void()> g_hook;
std::atomic<bool> g_hookRan{false};

}  // namespace

void halt(int code) {
    HaltHandler h;
    {
        std::lock_guard lock(g_mu);
        h = g_handler;
    }
    if (h)
        h(code);
    else
        defaultHalt(code);
}

void defaultHalt(int code) {
    std::function<void()> hook;
    {
        std::lock_guard lock(g_mu);
        hook = g_hook;
    }
    if (hook && !g_hookRan.exchange(true)) hook();
    std::fflush(nullptr);
    std::_Exit(code);
}

HaltHandler setHaltHandler(HaltHandler handler) {
    std::lock_guard lock(g_mu);
    HaltHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}

std::function<void()> setShutdownHook(std::function<void()> hook) {
    std::lock_guard lock(g_mu);
    std::function<void()> previous = std::move(g_hook);
    g_hook = std::move(hook);
    return previous;
}

HaltRecorder::HaltRecorder() {
    previous_ = setHaltHandler([this](int code) {
        std::lock_guard lock(mu_);
        codes_.push_back(code);
    });
}

HaltRecorder::~HaltRecorder() {
    setHaltHandler(std::move(previous_));
}

std::vector<int> HaltRecorder::codes() const {
    std::lock_guard lock(mu_);
    return codes_;
}

std::size_t HaltRecorder::count() const {
    std::lock_guard lock(mu_);
    return codes_.size();
}

}  // namespace kw
