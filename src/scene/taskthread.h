// A second thread for work that can go on while the window's thread computes the run: on a
// machine of two cores or more, the arrows a fast run adds at every step are stored and drawn
// beside it.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace gyro {

/// Runs one task at a time on a thread of its own, started with the first task. The owner hands
/// a task with start() and must call wait() before it touches anything the task uses; wait()
/// also makes everything the task wrote visible to the caller.
class TaskThread {
public:
    TaskThread() = default;
    /// Waits for the task under way and ends the thread.
    ~TaskThread();
    TaskThread(const TaskThread&) = delete;
    TaskThread& operator=(const TaskThread&) = delete;

    /// Runs `task` on the thread (after waiting for the one before, if any).
    void start(std::function<void()> task);
    /// Returns once no task is under way.
    void wait();
    /// Whether a task was started and wait() has not been called since (it may be done).
    bool started() const { return m_started; }

private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void()> m_task; // the task handed over and not yet taken by the thread
    bool m_busy = false;          // the thread runs a task
    bool m_quit = false;
    bool m_started = false; // owner's side only
    std::thread m_thread;
};

} // namespace gyro
