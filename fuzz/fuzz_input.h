#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pindle::fuzz {

// Splits a fuzz input into `count` fields at zero bytes (missing fields are empty), so one
// input can drive a function of several texts.
inline std::vector<std::string> Fields(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::string> fields(count);
  size_t field = 0;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && field + 1 < count) {
      ++field;
      continue;
    }
    fields[field].push_back(static_cast<char>(data[i]));
  }
  return fields;
}

}  // namespace pindle::fuzz
