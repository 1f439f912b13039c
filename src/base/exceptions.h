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

// Bytes handed to the archive reader are not a readable ZIP archive.
class EZipError : public Exception {
public:
  using Exception::Exception;
};

// A value could not be converted to the type a caller asked for.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

} // namespace tessera
