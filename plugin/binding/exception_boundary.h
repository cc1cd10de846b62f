// The mail client and Windows call into the plug-in through C interfaces,
// and their frames cannot be unwound: an exception leaving the plug-in (the
// C++ library's std::bad_alloc when memory runs out, say) would end in
// std::terminate and take the mail client with it. Every exported callback,
// command procedure, hook and callback handed to Windows therefore runs its
// body through CatchEverything, and resources inside are held by objects
// that release them while an exception passes.
#pragma once

// Returns what `body` returns, or `fallback` when it throws.
template <typename Result, typename Body>
Result CatchEverything(Result fallback, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}
