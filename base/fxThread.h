// Mutexes and threads behind untyped handles, and the three-level priority
// scale (0 normal, above 0 highest, below 0 lowest).
#pragma once

#include <cstdint>

// A recursive lock: entries by the owning thread nest. Null when it cannot be
// allocated. Every function ignores a null handle.
void* fxCreateMutex();
void fxDestroyMutex(void* m);
bool fxTryLock(void* m);
void fxLock(void* m);
void fxUnlock(void* m);

// The thread handle record, in this field order.
struct FXThread {
    void (*func)(void*);
    void* arg;
    void* handle; // the platform thread; null once released
    uint32_t id;  // the platform thread id; 0 once released
};

// Starts f(arg) on a new thread (f may be null: the thread just ends). The
// id is known when this returns. Null when no thread could be started.
void* fxCreateThread(void (*f)(void*), void* arg);

// Waits up to s seconds (truncated to milliseconds; 100000 or more waits
// without limit) for the thread to end. False only when the wait timed out;
// true at once for a null handle or a released thread.
bool fxWaitThread(void* t, double s);

// Releases the platform thread. It never kills a running thread: a killed
// thread can leave a lock held or a GL context current for good. Instead it
// waits, without limit, for the thread function to return, so ask the thread
// to stop first. Called on the thread itself, it releases the handle and lets
// the thread run to its end.
void fxTerminateThread(void* t);
// fxTerminateThread, then frees the record.
void fxDestroyThread(void* t);

void fxSetAppPriority(int p);
void fxSetThreadPriority(void* t, int p);
