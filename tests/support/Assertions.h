// The message of the assertion f fails, or "(none)" when it fails none.
#pragma once
#include <functional>
#include <string>

std::string AssertionOf(const std::function<void()>& f);
