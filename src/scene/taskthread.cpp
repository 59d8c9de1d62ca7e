// The task thread: a task at a time, handed over and waited for under one mutex.
#include "scene/taskthread.h"

#include <utility>

namespace gyro {

TaskThread::~TaskThread() {
    if (!m_thread.joinable()) return;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_task && !m_busy; });
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void TaskThread::start(std::function<void()> task) {
    wait();
    {
        const std::lock_guard lock(m_mutex);
        m_task = std::move(task);
    }
    m_started = true;
    if (!m_thread.joinable())
        m_thread = std::thread([this] { loop(); });
    else
        m_changed.notify_all();
}

void TaskThread::wait() {
    if (!m_started) return;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_task && !m_busy; });
    m_started = false;
}

void TaskThread::loop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || static_cast<bool>(m_task); });
        if (m_quit) return;
        // The task runs outside the lock: the owner only looks whether it is done.
        std::function<void()> task = std::move(m_task);
        m_task = nullptr;
        m_busy = true;
        lock.unlock();
        task();
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace gyro
