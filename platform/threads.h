// Threads, and the two ways they wait for each other here: a lock around
// shared records, and a counting semaphore that one thread posts and another
// waits on, with a time limit so that the waiting thread can do its own work
// (a user interface keeps dispatching its messages). One implementation on
// POSIX threads, one on the Win32 calls every Windows since XP has (no
// condition variables there), chosen by CMake.
#pragma once

#include <cstdint>

struct Thread;
struct Lock;
struct Semaphore;

// Starts a thread that runs `run(argument)`. Returns null when the system
// gives no thread (or no memory); nothing runs then.
Thread* StartThread(void (*run)(void* argument), void* argument);

// Waits until the thread's `run` has returned and releases it.
void JoinThread(Thread* thread);

// A lock that one thread holds at a time; not recursive. Null when there is
// no memory. FreeLock takes an unheld lock, or null.
Lock* NewLock();
void HoldLock(Lock* lock);
void DropLock(Lock* lock);
void FreeLock(Lock* lock);

// A count that PostSemaphore raises by one and WaitSemaphore takes one from,
// waiting while it is 0. Null when there is no memory or no system object.
Semaphore* NewSemaphore();
void PostSemaphore(Semaphore* semaphore);
// Takes one from the count, waiting up to `milliseconds` for it to be above
// 0. Returns false when the time passed first.
bool WaitSemaphore(Semaphore* semaphore, uint32_t milliseconds);
void FreeSemaphore(Semaphore* semaphore);

// How many processors this process may run on at once; at least 1.
uint32_t ProcessorCount();
