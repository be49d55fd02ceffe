// A helper thread that works one job at a time for one owner, so that the owner can go on
// while, say, a file is read or written.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace brevic {

class HelperThread {
public:
    HelperThread() = default;
    ~HelperThread(); // waits for the job in hand, then ends the thread
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    // Waits for the job before, then runs `job` on the thread (started at the first call).
    // When no thread can be started, the job runs here before Start returns.
    void Start(std::function<void()> job);
    // Waits until the job started last has finished; whatever it wrote is then visible.
    void Wait();

private:
    void Loop();

    std::thread thread;
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> job; // the job in hand; empty when there is none
    bool quit = false;
};

} // namespace brevic
