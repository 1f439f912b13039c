#pragma once

#include <stdexcept>
#include <string>

namespace tessera {

// Base of every error the system raises on purpose. Messages are UTF-8.
class Exception : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A file could not be opened, created, read or written.
class EFileError : public Exception {
public:
  using Exception::Exception;
};

// An archive that cannot be read (not a ZIP archive, damaged, beyond the
// format's limits) or cannot be written as asked.
class EZipError : public Exception {
public:
  using Exception::Exception;
};

// A value could not be converted to the type a caller asked for.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

// A registry operation the system refused after the key was opened (a
// failing write, a value that is not text).
class ERegistryError : public Exception {
public:
  using Exception::Exception;
};

} // namespace tessera
