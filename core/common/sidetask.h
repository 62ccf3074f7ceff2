#pragma once

#include <functional>
#include <memory>

// Work run beside the caller's: started on the global thread pool, it runs while the caller goes
// on with work of its own that it does not share data with, and join() waits for it. When no pool
// thread has taken it up by then, join() runs it on the caller's thread, so it never waits on a
// busy pool. Destroying an unjoined task joins it.
class SideTask
{
public:
    explicit SideTask(std::function<void()> work);
    ~SideTask();
    SideTask(const SideTask &) = delete;
    SideTask &operator=(const SideTask &) = delete;

    void join();

private:
    struct Job;
    std::unique_ptr<Job> m_job;
    bool m_joined = false;
};
