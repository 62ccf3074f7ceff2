#include "core/common/sidetask.h"

#include <QRunnable>
#include <QSemaphore>
#include <QThreadPool>

struct SideTask::Job final : QRunnable {
    std::function<void()> work;
    QSemaphore done;
    void run() override
    {
        work();
        done.release();
    }
};

SideTask::SideTask(std::function<void()> work) : m_job(std::make_unique<Job>())
{
    m_job->work = std::move(work);
    m_job->setAutoDelete(false);
    QThreadPool::globalInstance()->start(m_job.get());
}

SideTask::~SideTask()
{
    if (QThreadPool::globalInstance()->tryTake(m_job.get()))
        m_job->work();
    else
        m_job->done.acquire();
}
