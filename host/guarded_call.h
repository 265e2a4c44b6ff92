// Keeps exceptions inside the plug-in: an export that meets one returns its failure value, since
// an exception unwinding into the host would bring the host down with the user's work.
#pragma once

namespace mq {

template <typename Result, typename Body>
Result GuardedCall(Result failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

template <typename Body>
void GuardedCall(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

}  // namespace mq
