#pragma once

#include <functional>
#include <memory>

// Work run beside the caller's: started on the global thread pool, it runs while the caller goes
// on with work of its own that it does not share data with, and destroying the task waits for it.
// When no pool thread has taken it up by then, the destructor runs it on the caller's thread, so
// it never waits on a busy pool.
class SideTask
{
public:
    explicit SideTask(std::function<void()> work);
    ~SideTask();
    SideTask(const SideTask &) = delete;
    SideTask &operator=(const SideTask &) = delete;

private:
    struct Job;
    std::unique_ptr<Job> m_job;
};
