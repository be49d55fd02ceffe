#include "helper.h"

#include <system_error>
#include <utility>

namespace brevic {

HelperThread::~HelperThread() {
    if (!thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        quit = true;
    }
    changed.notify_all();
    thread.join();
}

void HelperThread::Start(std::function<void()> next) {
    Wait();
    if (!thread.joinable()) {
        try {
            thread = std::thread(&HelperThread::Loop, this);
        } catch (const std::system_error&) {
            next(); // no thread to be had: the work still gets done
            return;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        job = std::move(next);
    }
    changed.notify_all();
}

void HelperThread::Wait() {
    if (!thread.joinable()) return;
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return !job; });
}

void HelperThread::Loop() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return quit || job; });
        if (!job) return; // quit with nothing in hand
        lock.unlock();
        job();
        lock.lock();
        job = nullptr;
        changed.notify_all();
    }
}

} // namespace brevic
