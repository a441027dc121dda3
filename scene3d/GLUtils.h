// File and number helpers of the 3D library.
#pragma once
#include <cstdint>
#include <string>

// 1 for Value <= 1; ERangeError above 2^30 (no int power of two is that large).
int RoundUpToPowerOf2(int Value);
void SaveStringToFile(const std::string& FileName, const std::string& Data);
std::string LoadStringFromFile(const std::string& FileName);   // empty when missing
int64_t SizeOfFile(const std::string& FileName);               // 0 when missing
// 256 entries, entry i = Trunc(sqrt(i / 255) * 255); shared, filled on first use.
const uint8_t* GetSqrt255Array();
