#include "platform/threads.h"

#include <windows.h>

#include <cstdlib>

struct Thread {
  HANDLE handle;
  void (*run)(void*);
  void* argument;
};

struct Lock {
  CRITICAL_SECTION section;
};

struct Semaphore {
  HANDLE handle;
};

namespace {

DWORD WINAPI RunThread(LPVOID context) {
  auto* thread = static_cast<Thread*>(context);
  thread->run(thread->argument);
  return 0;
}

}  // namespace

Thread* StartThread(void (*run)(void* argument), void* argument) {
  auto* thread = static_cast<Thread*>(calloc(1, sizeof(Thread)));
  if (thread == nullptr) return nullptr;
  thread->run = run;
  thread->argument = argument;
  // The C runtime is msvcrt.dll, which sets up and frees its per-thread
  // data itself, so a plain system thread is enough.
  thread->handle = CreateThread(nullptr, 0, RunThread, thread, 0, nullptr);
  if (thread->handle == nullptr) {
    free(thread);
    return nullptr;
  }
  return thread;
}

void JoinThread(Thread* thread) {
  WaitForSingleObject(thread->handle, INFINITE);
  CloseHandle(thread->handle);
  free(thread);
}

Lock* NewLock() {
  auto* lock = static_cast<Lock*>(calloc(1, sizeof(Lock)));
  // Since Windows Vista it cannot fail; on XP only when memory is short,
  // and then by an exception that nothing here would catch.
  if (lock != nullptr) InitializeCriticalSection(&lock->section);
  return lock;
}

void HoldLock(Lock* lock) { EnterCriticalSection(&lock->section); }

void DropLock(Lock* lock) { LeaveCriticalSection(&lock->section); }

void FreeLock(Lock* lock) {
  if (lock == nullptr) return;
  DeleteCriticalSection(&lock->section);
  free(lock);
}

Semaphore* NewSemaphore() {
  auto* semaphore = static_cast<Semaphore*>(calloc(1, sizeof(Semaphore)));
  if (semaphore == nullptr) return nullptr;
  semaphore->handle = CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr);
  if (semaphore->handle == nullptr) {
    free(semaphore);
    return nullptr;
  }
  return semaphore;
}

void PostSemaphore(Semaphore* semaphore) { ReleaseSemaphore(semaphore->handle, 1, nullptr); }

bool WaitSemaphore(Semaphore* semaphore, uint32_t milliseconds) {
  return WaitForSingleObject(semaphore->handle, milliseconds) == WAIT_OBJECT_0;
}

void FreeSemaphore(Semaphore* semaphore) {
  if (semaphore == nullptr) return;
  CloseHandle(semaphore->handle);
  free(semaphore);
}

uint32_t ProcessorCount() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors < 1 ? 1 : info.dwNumberOfProcessors;
}
