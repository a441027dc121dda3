// The message of the assertion f fails, or "(none)" when it fails none.
#pragma once
#include <functional>
#include <string>

std::string AssertionOf(const std::function<void()>& f);

// The message of the exception of class E that f raises, or "(none)".
template <typename E>
std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message;
  }
  return "(none)";
}
