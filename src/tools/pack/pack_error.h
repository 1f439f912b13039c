#pragma once

#include <stdexcept>

namespace tessera {

// Why packing or listing failed, in words for the user.
class EPackError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

} // namespace tessera
