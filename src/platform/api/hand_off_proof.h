#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tessera {

// The text a process publishes as its hand-off token: 128 random bits as
// hexadecimal digits.
inline constexpr std::size_t kHandOffTokenLength = 32;

// A proof as the processes a running instance starts are given it:
// "<process ID>:<token>".
struct THandOffProof {
  std::string ProcessID; // decimal, at most ten digits
  std::string Token;     // kHandOffTokenLength lower-case hexadecimal digits
};

// The token made of the random bytes: two lower-case hexadecimal digits a
// byte. Takes kHandOffTokenLength / 2 bytes.
std::string HandOffTokenFromBytes(const unsigned char* bytes);

// The parts of a well-formed proof; nothing for any other text.
std::optional<THandOffProof> ParseHandOffProof(std::string_view proof);

// Whether the stored token (kHandOffTokenLength characters) is `token`.
// Every character is compared, so the time taken tells nothing.
bool SameHandOffToken(const char* stored, std::string_view token);

} // namespace tessera
