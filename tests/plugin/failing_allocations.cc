// Linked into a test build of the plug-in only: operator new that fails on
// purpose, so that a command can be made to run out of memory at any point.
//
// While the process's ZAPNEST_ALLOCATIONS_LEFT holds N, the first N
// allocations the plug-in makes after the value was set succeed and every
// later one throws std::bad_alloc; without the variable nothing fails. When
// the library unloads, the count of allocations since the value was last set
// is written to the file named by ZAPNEST_ALLOCATION_REPORT, if any, so that
// a test can aim at the last allocations of a command.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

long budgetSeen = -1;
long allocationsSince = 0;

bool AllocationAllowed() {
  char text[32];
  const DWORD length = GetEnvironmentVariableA("ZAPNEST_ALLOCATIONS_LEFT", text, sizeof text);
  if (length == 0 || length >= sizeof text) {
    budgetSeen = -1;
    return true;
  }
  const long budget = strtol(text, nullptr, 10);
  if (budget != budgetSeen) {
    budgetSeen = budget;
    allocationsSince = 0;
  }
  return ++allocationsSince <= budget;
}

struct Report {
  ~Report() {
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("ZAPNEST_ALLOCATION_REPORT", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    if (FILE* file = fopen(path, "w")) {
      fprintf(file, "%ld\n", allocationsSince);
      fclose(file);
    }
  }
} report;

}  // namespace

void* operator new(size_t size) {
  if (!AllocationAllowed()) throw std::bad_alloc();
  void* block = malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, size_t) noexcept { free(block); }
void operator delete[](void* block, size_t) noexcept { free(block); }
