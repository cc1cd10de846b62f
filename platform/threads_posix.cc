#include "platform/threads.h"

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

struct Thread {
  pthread_t thread;
  void (*run)(void*);
  void* argument;
};

struct Lock {
  pthread_mutex_t mutex;
};

// POSIX semaphores may lack a timed wait (macOS has no unnamed ones), so the
// count is kept under a mutex with a condition on the monotonic clock.
struct Semaphore {
  pthread_mutex_t mutex;
  pthread_cond_t raised;
  uint32_t count;
};

namespace {

void* RunThread(void* context) {
  auto* thread = static_cast<Thread*>(context);
  thread->run(thread->argument);
  return nullptr;
}

}  // namespace

Thread* StartThread(void (*run)(void* argument), void* argument) {
  auto* thread = static_cast<Thread*>(calloc(1, sizeof(Thread)));
  if (thread == nullptr) return nullptr;
  thread->run = run;
  thread->argument = argument;
  if (pthread_create(&thread->thread, nullptr, RunThread, thread) != 0) {
    free(thread);
    return nullptr;
  }
  return thread;
}

void JoinThread(Thread* thread) {
  pthread_join(thread->thread, nullptr);
  free(thread);
}

Lock* NewLock() {
  auto* lock = static_cast<Lock*>(calloc(1, sizeof(Lock)));
  if (lock != nullptr && pthread_mutex_init(&lock->mutex, nullptr) != 0) {
    free(lock);
    return nullptr;
  }
  return lock;
}

void HoldLock(Lock* lock) { pthread_mutex_lock(&lock->mutex); }

void DropLock(Lock* lock) { pthread_mutex_unlock(&lock->mutex); }

void FreeLock(Lock* lock) {
  if (lock == nullptr) return;
  pthread_mutex_destroy(&lock->mutex);
  free(lock);
}

Semaphore* NewSemaphore() {
  auto* semaphore = static_cast<Semaphore*>(calloc(1, sizeof(Semaphore)));
  if (semaphore == nullptr) return nullptr;
  pthread_condattr_t attributes;
  bool made = false;
  if (pthread_condattr_init(&attributes) == 0) {
    made = pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC) == 0 &&
           pthread_cond_init(&semaphore->raised, &attributes) == 0;
    pthread_condattr_destroy(&attributes);
  }
  if (made && pthread_mutex_init(&semaphore->mutex, nullptr) == 0) return semaphore;
  if (made) pthread_cond_destroy(&semaphore->raised);
  free(semaphore);
  return nullptr;
}

void PostSemaphore(Semaphore* semaphore) {
  pthread_mutex_lock(&semaphore->mutex);
  ++semaphore->count;
  pthread_cond_signal(&semaphore->raised);
  pthread_mutex_unlock(&semaphore->mutex);
}

bool WaitSemaphore(Semaphore* semaphore, uint32_t milliseconds) {
  timespec until{};
  clock_gettime(CLOCK_MONOTONIC, &until);
  until.tv_sec += static_cast<time_t>(milliseconds / 1000);
  until.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (until.tv_nsec >= 1000000000L) {
    ++until.tv_sec;
    until.tv_nsec -= 1000000000L;
  }
  pthread_mutex_lock(&semaphore->mutex);
  int waited = 0;
  while (semaphore->count == 0 && waited != ETIMEDOUT) {
    waited = pthread_cond_timedwait(&semaphore->raised, &semaphore->mutex, &until);
  }
  const bool taken = semaphore->count != 0;
  if (taken) --semaphore->count;
  pthread_mutex_unlock(&semaphore->mutex);
  return taken;
}

void FreeSemaphore(Semaphore* semaphore) {
  if (semaphore == nullptr) return;
  pthread_cond_destroy(&semaphore->raised);
  pthread_mutex_destroy(&semaphore->mutex);
  free(semaphore);
}

uint32_t ProcessorCount() {
#ifdef __linux__
  // A process may be held to fewer processors than the machine has.
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0) {
    return static_cast<uint32_t>(CPU_COUNT(&allowed));
  }
#endif
  const long count = sysconf(_SC_NPROCESSORS_ONLN);
  return count < 1 ? 1 : static_cast<uint32_t>(count);
}
