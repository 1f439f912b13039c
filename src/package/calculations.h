#pragma once

#include "base/exceptions.h"

#include <string>
#include <string_view>

namespace tessera {

// The password routine was handed a key it cannot use.
class ECalculationError : public Exception {
public:
  using Exception::Exception;
};

// Shifts every ASCII letter of text back by the key letter at the same
// position ("A" shifts by 0, "Z" by 25), wrapping within its case; any other
// character is copied but still uses up its key position. Positions count
// characters (code points of the UTF-8 text), so the result is as long as
// text. The key is checked first: any character outside "A".."Z" raises
// ECalculationError "Invalid character in CalculateWidth key.", and an empty
// key raises ECalculationError too, since it has no shift to repeat.
std::string CalculateWidth(std::string_view text, std::string_view key);

// The two values the package password is built from. The packager keeps the
// same pair and derives the same password to encrypt every package entry, so
// changing either makes every existing package unreadable.
inline constexpr std::string_view kPackagePasswordText = "Vx7k-Qm2.Rz9_Hp4+Lt8:Wd3@N";
inline constexpr std::string_view kPackagePasswordKey = "QUILTEDMOSAICRUNTIMEK";

// CalculateWidth(kPackagePasswordText, kPackagePasswordKey): the password
// given to the archive reader before the package is opened.
std::string PackagePassword();

} // namespace tessera
