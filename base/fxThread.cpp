#include "base/fxThread.h"

#include "sys/fxSystem.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace {

// Shared by the record and the running thread, so that a thread released
// while it still runs (see fxTerminateThread) never touches freed memory.
struct localThreadState {
    std::mutex m;
    std::condition_variable cv;
    uint32_t tid = 0;
    bool started = false;
    bool finished = false;
};

struct localThreadHandle {
    std::thread thread;
    std::shared_ptr<localThreadState> state;
};

void localTrampoline(std::shared_ptr<localThreadState> state, void (*f)(void*), void* arg)
{
    {
        std::lock_guard<std::mutex> lock(state->m);
        state->tid = fxSysThreadId();
        state->started = true;
    }
    state->cv.notify_all();
    if (f)
        f(arg);
    {
        std::lock_guard<std::mutex> lock(state->m);
        state->finished = true;
    }
    state->cv.notify_all();
}

localThreadHandle* localHandleOf(void* t)
{
    FXThread* rec = static_cast<FXThread*>(t);
    if (!rec || !rec->handle || rec->id == 0)
        return nullptr;
    return static_cast<localThreadHandle*>(rec->handle);
}

} // namespace

void* fxCreateMutex()
{
    return new (std::nothrow) std::recursive_mutex;
}

void fxDestroyMutex(void* m)
{
    delete static_cast<std::recursive_mutex*>(m);
}

bool fxTryLock(void* m)
{
    return m && static_cast<std::recursive_mutex*>(m)->try_lock();
}

void fxLock(void* m)
{
    if (m)
        static_cast<std::recursive_mutex*>(m)->lock();
}

void fxUnlock(void* m)
{
    if (m)
        static_cast<std::recursive_mutex*>(m)->unlock();
}

void* fxCreateThread(void (*f)(void*), void* arg)
{
    FXThread* rec = new (std::nothrow) FXThread{f, arg, nullptr, 0};
    if (!rec)
        return nullptr;
    localThreadHandle* h = new (std::nothrow) localThreadHandle;
    if (!h) {
        delete rec;
        return nullptr;
    }
    try {
        h->state = std::make_shared<localThreadState>();
        h->thread = std::thread(localTrampoline, h->state, f, arg);
    } catch (const std::exception&) {
        delete h;
        delete rec;
        return nullptr;
    }
    std::unique_lock<std::mutex> lock(h->state->m);
    h->state->cv.wait(lock, [&] { return h->state->started; });
    rec->id = h->state->tid;
    rec->handle = h;
    return rec;
}

bool fxWaitThread(void* t, double s)
{
    localThreadHandle* h = localHandleOf(t);
    if (!h)
        return true;
    localThreadState& st = *h->state;
    std::unique_lock<std::mutex> lock(st.m);
    if (s >= 100000.0) {
        st.cv.wait(lock, [&] { return st.finished; });
        return true;
    }
    long long ms = s > 0 ? static_cast<long long>(s * 1000.0) : 0;
    return st.cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return st.finished; });
}

void fxTerminateThread(void* t)
{
    localThreadHandle* h = localHandleOf(t);
    if (!h)
        return;
    FXThread* rec = static_cast<FXThread*>(t);
    if (h->thread.get_id() == std::this_thread::get_id()) {
        h->thread.detach();
    } else {
        fxWaitThread(t, 100000.0);
        if (h->thread.joinable())
            h->thread.join();
    }
    delete h;
    rec->handle = nullptr;
    rec->id = 0;
}

void fxDestroyThread(void* t)
{
    if (!t)
        return;
    fxTerminateThread(t);
    delete static_cast<FXThread*>(t);
}

void fxSetAppPriority(int p)
{
    fxSysSetProcessPriority(p);
}

void fxSetThreadPriority(void* t, int p)
{
    FXThread* rec = static_cast<FXThread*>(t);
    if (!rec || !rec->handle)
        return;
    fxSysSetThreadPriority(rec->id, p);
}
