#pragma once

#include "base/native_file.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessera {

// A byte stream with a position, as the package layer moves bytes between
// memory and files. Writes that cannot be completed raise EFileError.
class TStream {
public:
  virtual ~TStream() = default;
  // Reads up to count bytes at the position; returns how many were read.
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual void Write(const void* buffer, size_t count) = 0;
  virtual int64_t Position() const = 0;
  virtual void SetPosition(int64_t position) = 0;
  virtual int64_t Size() const = 0;

  void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
};

// Grows as it is written; the whole content stays addressable.
class TMemoryStream final : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : FBytes(std::move(bytes)) {}

  using TStream::Write;
  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  int64_t Position() const override { return static_cast<int64_t>(FPosition); }
  void SetPosition(int64_t position) override;
  int64_t Size() const override { return static_cast<int64_t>(FBytes.size()); }

  const std::vector<uint8_t>& Bytes() const { return FBytes; }
  std::string_view Text() const {
    return {reinterpret_cast<const char*>(FBytes.data()), FBytes.size()};
  }
  void Clear();

private:
  std::vector<uint8_t> FBytes;
  size_t FPosition = 0;
};

// A file on disk. The path is UTF-8 on every platform.
class TFileStream final : public TStream {
public:
  enum class TMode {
    OpenRead,      // existing file, read only
    Create,        // new or truncated file, read and write
    OpenReadWrite, // existing file, not truncated
  };

  // Raises EFileError when the file cannot be opened or created.
  TFileStream(const std::string& path, TMode mode);

  using TStream::Write;
  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  int64_t Position() const override;
  void SetPosition(int64_t position) override;
  int64_t Size() const override;

  const std::string& Path() const { return FPath; }

private:
  // A C stream must be flushed or positioned between a write and a read
  // (and back); it remembers which came last.
  enum class TLastOperation { None, Read, Write };
  void Switch(TLastOperation next);

  std::string FPath;
  TFilePtr FFile;
  TLastOperation FLast = TLastOperation::None;
};

} // namespace tessera
