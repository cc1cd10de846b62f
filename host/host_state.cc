#include "host/host_state.h"

HostState& TheHost() {
  static HostState host;
  return host;
}

HostState::HostState() { InitializeCriticalSection(&attachmentsLock_); }

HostState::~HostState() { DeleteCriticalSection(&attachmentsLock_); }

void HostState::Attach(const Attachment& attachment) {
  EnterCriticalSection(&attachmentsLock_);
  attachments_.push_back(attachment);
  LeaveCriticalSection(&attachmentsLock_);
}

std::vector<Attachment> HostState::Attachments() {
  EnterCriticalSection(&attachmentsLock_);
  std::vector<Attachment> copy = attachments_;
  LeaveCriticalSection(&attachmentsLock_);
  return copy;
}
