#include "host/host_state.h"

#include <cstdio>

HostState& TheHost() {
  static HostState host;
  return host;
}

HostState::HostState() { InitializeCriticalSection(&lock_); }

HostState::~HostState() { DeleteCriticalSection(&lock_); }

void HostState::Attach(const std::string& path, HWND window) {
  EnterCriticalSection(&lock_);
  int message = 0;
  for (size_t i = 0; i < messages_.size(); ++i) {
    if (messages_[i].open && messages_[i].window == window) message = static_cast<int>(i) + 1;
  }
  attachments_.push_back(Attachment{path, window, message});
  LeaveCriticalSection(&lock_);
}

std::vector<Attachment> HostState::Attachments() {
  EnterCriticalSection(&lock_);
  std::vector<Attachment> copy = attachments_;
  LeaveCriticalSection(&lock_);
  return copy;
}

int HostState::AddMessage(HWND window) {
  EnterCriticalSection(&lock_);
  messages_.push_back(ComposeMessage{window, true});
  const int number = static_cast<int>(messages_.size());
  LeaveCriticalSection(&lock_);
  return number;
}

void HostState::CloseMessage(HWND window) {
  EnterCriticalSection(&lock_);
  for (ComposeMessage& message : messages_) {
    if (message.window == window) message.open = false;
  }
  LeaveCriticalSection(&lock_);
}

HWND HostState::MessageWindow(int number) {
  EnterCriticalSection(&lock_);
  HWND window = nullptr;
  const size_t index = number >= 1 ? static_cast<size_t>(number) - 1 : messages_.size();
  if (index < messages_.size() && messages_[index].open) window = messages_[index].window;
  LeaveCriticalSection(&lock_);
  return window;
}

int HostState::MessageNumber(HWND window) {
  EnterCriticalSection(&lock_);
  int number = 0;
  for (size_t i = 0; i < messages_.size(); ++i) {
    if (messages_[i].open && messages_[i].window == window) number = static_cast<int>(i) + 1;
  }
  LeaveCriticalSection(&lock_);
  return number;
}

std::vector<HWND> HostState::OpenMessages() {
  EnterCriticalSection(&lock_);
  std::vector<HWND> windows;
  for (const ComposeMessage& message : messages_) {
    if (message.open) windows.push_back(message.window);
  }
  LeaveCriticalSection(&lock_);
  return windows;
}

int HostState::MessageCount() {
  EnterCriticalSection(&lock_);
  const int count = static_cast<int>(messages_.size());
  LeaveCriticalSection(&lock_);
  return count;
}

bool HostState::PluginLoaded() {
  EnterCriticalSection(&lock_);
  const bool loaded = pluginLoaded_;
  LeaveCriticalSection(&lock_);
  return loaded;
}

void HostState::SetPluginLoaded(bool loaded) {
  EnterCriticalSection(&lock_);
  pluginLoaded_ = loaded;
  LeaveCriticalSection(&lock_);
}

void PrintAttachments() {
  for (const Attachment& attachment : TheHost().Attachments()) {
    if (attachment.message == 1) {
      printf("attached: %s\n", attachment.path.c_str());
    } else if (attachment.message > 1) {
      printf("attached to message %d: %s\n", attachment.message, attachment.path.c_str());
    } else {
      printf("attached to a closed window: %s\n", attachment.path.c_str());
    }
  }
}
