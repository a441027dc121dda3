#include "Assertions.h"

#include "classlib/SysUtils.h"

std::string AssertionOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EAssertionFailed& e) {
    return e.Message;
  }
  return "(none)";
}
