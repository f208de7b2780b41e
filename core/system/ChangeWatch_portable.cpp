// The portable build watches nothing (its registry lives in this process and
// its folders are only the tests'): a wait ends on its time-out or on Stop.

#include "ChangeWatch.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>

struct TChangeWatch::TState {
    std::mutex Mutex;
    std::condition_variable Woken;
    bool Stopped = false;
    int Count = 0;
};

TChangeWatch::TChangeWatch(std::vector<TWatchedKey> keys, std::vector<std::string> folders)
    : state_(std::make_unique<TState>()) {
    state_->Count = static_cast<int>(keys.size() + folders.size());
}

TChangeWatch::~TChangeWatch() = default;

TWake TChangeWatch::Wait(int timeoutMs) {
    std::unique_lock<std::mutex> hold(state_->Mutex);
    auto stopped = [&] { return state_->Stopped; };
    if (timeoutMs < 0)
        state_->Woken.wait(hold, stopped);
    else
        state_->Woken.wait_for(hold, std::chrono::milliseconds(timeoutMs), stopped);
    return state_->Stopped ? TWake::Stopped : TWake::TimedOut;
}

void TChangeWatch::Stop() {
    {
        std::lock_guard<std::mutex> hold(state_->Mutex);
        state_->Stopped = true;
    }
    state_->Woken.notify_all();
}

int TChangeWatch::Watched() const {
    return state_->Count;
}

void StopOnConsoleInterrupt(TChangeWatch&) {
    // A signal handler may not take a mutex; the portable tool ends on
    // Ctrl+C the ordinary way.
}
