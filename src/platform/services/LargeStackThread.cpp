#include "LargeStackThread.h"

#include <exception>
#include <pthread.h>
#include <system_error>

namespace vistrel {

namespace {

struct Job {
    const std::function<void()>* work;
    std::exception_ptr failure;
};

void* runJob(void* argument)
{
    auto* job = static_cast<Job*>(argument);
    try {
        (*job->work)();
    } catch (...) {
        job->failure = std::current_exception();
    }
    return nullptr;
}

} // namespace

void LargeStackThread::run(std::size_t stackBytes, const std::function<void()>& job)
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackBytes);
    Job state{&job, nullptr};
    pthread_t thread;
    const int error = pthread_create(&thread, &attributes, runJob, &state);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        job(); // no thread to be had: the caller's stack will have to do
        return;
    }
    pthread_join(thread, nullptr);
    if (state.failure)
        std::rethrow_exception(state.failure);
}

} // namespace vistrel
