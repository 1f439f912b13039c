#include "platform/api/hand_off_proof.h"

namespace tessera {

std::string HandOffTokenFromBytes(const unsigned char* bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string token;
  for (std::size_t i = 0; i < kHandOffTokenLength / 2; ++i) {
    token.push_back(kDigits[bytes[i] >> 4]);
    token.push_back(kDigits[bytes[i] & 15]);
  }
  return token;
}

std::optional<THandOffProof> ParseHandOffProof(std::string_view proof) {
  const std::size_t colon = proof.find(':');
  if (colon == std::string_view::npos)
    return std::nullopt;
  const std::string_view processID = proof.substr(0, colon);
  const std::string_view token = proof.substr(colon + 1);
  if (processID.empty() || processID.size() > 10 ||
      processID.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  if (token.size() != kHandOffTokenLength ||
      token.find_first_not_of("0123456789abcdef") != std::string_view::npos)
    return std::nullopt;
  return THandOffProof{std::string(processID), std::string(token)};
}

bool SameHandOffToken(const char* stored, std::string_view token) {
  if (token.size() != kHandOffTokenLength)
    return false;
  unsigned char differences = 0;
  for (std::size_t i = 0; i < kHandOffTokenLength; ++i)
    differences |= static_cast<unsigned char>(stored[i] ^ token[i]);
  return differences == 0;
}

} // namespace tessera
