#include "package/calculations.h"

namespace tessera {

namespace {

// The shift back within one case: always 0 to 25, also when the key shift is
// larger than the letter's offset.
char ShiftBack(char c, char first, int shift) {
  return static_cast<char>(first + ((c - first - shift) % 26 + 26) % 26);
}

bool ContinuesUtf8Sequence(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string CalculateWidth(std::string_view text, std::string_view key) {
  for (const char c : key) {
    if (c < 'A' || c > 'Z') {
      throw ECalculationError("Invalid character in CalculateWidth key.");
    }
  }
  if (key.empty()) {
    throw ECalculationError("Empty CalculateWidth key.");
  }

  std::string result(text);
  std::size_t position = 0;
  for (char& c : result) {
    if (ContinuesUtf8Sequence(c)) {
      continue; // belongs to the character that already took this position
    }
    const int shift = key[position % key.size()] - 'A';
    if (c >= 'A' && c <= 'Z') {
      c = ShiftBack(c, 'A', shift);
    } else if (c >= 'a' && c <= 'z') {
      c = ShiftBack(c, 'a', shift);
    }
    ++position;
  }
  return result;
}

std::string PackagePassword() {
  return CalculateWidth(kPackagePasswordText, kPackagePasswordKey);
}

} // namespace tessera
