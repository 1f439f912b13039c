#include "base/stream.h"

#include "base/exceptions.h"
#include "base/utf.h"

#include <algorithm>
#include <cstring>

namespace tessera {

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (FPosition >= FBytes.size()) {
    return 0;
  }
  const size_t n = std::min(count, FBytes.size() - FPosition);
  std::memcpy(buffer, FBytes.data() + FPosition, n);
  FPosition += n;
  return n;
}

void TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) {
    return;
  }
  if (FPosition + count > FBytes.size()) {
    FBytes.resize(FPosition + count);
  }
  std::memcpy(FBytes.data() + FPosition, buffer, count);
  FPosition += count;
}

void TMemoryStream::SetPosition(int64_t position) {
  // A position past the end is allowed, as for files: the next write fills
  // the gap with zero bytes.
  FPosition = position < 0 ? 0 : static_cast<size_t>(position);
}

void TMemoryStream::Clear() {
  FBytes.clear();
  FPosition = 0;
}

namespace {

std::ios::openmode OpenModeOf(TFileStream::TMode mode) {
  switch (mode) {
  case TFileStream::TMode::OpenRead:
    return std::ios::in | std::ios::binary;
  case TFileStream::TMode::Create:
    return std::ios::in | std::ios::out | std::ios::trunc | std::ios::binary;
  case TFileStream::TMode::OpenReadWrite:
    return std::ios::in | std::ios::out | std::ios::binary;
  }
  return std::ios::in | std::ios::binary;
}

} // namespace

TFileStream::TFileStream(const std::string& path, TMode mode) : FPath(path) {
  FFile.open(PathFromUtf8(path), OpenModeOf(mode));
  if (!FFile.is_open()) {
    const char* what = mode == TMode::Create ? "Cannot create file \"" : "Cannot open file \"";
    throw EFileError(what + path + "\"");
  }
}

size_t TFileStream::Read(void* buffer, size_t count) {
  FFile.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
  const auto n = static_cast<size_t>(FFile.gcount());
  if (FFile.bad()) {
    throw EFileError("Cannot read file \"" + FPath + "\"");
  }
  // End of file is not an error: clear it so the stream stays usable.
  FFile.clear();
  return n;
}

void TFileStream::Write(const void* buffer, size_t count) {
  FFile.write(static_cast<const char*>(buffer), static_cast<std::streamsize>(count));
  if (!FFile) {
    FFile.clear();
    throw EFileError("Cannot write file \"" + FPath + "\"");
  }
}

int64_t TFileStream::Position() const {
  return static_cast<int64_t>(FFile.tellg());
}

void TFileStream::SetPosition(int64_t position) {
  FFile.clear();
  FFile.seekg(position);
  FFile.seekp(position);
  if (!FFile) {
    FFile.clear();
    throw EFileError("Cannot seek in file \"" + FPath + "\"");
  }
}

int64_t TFileStream::Size() const {
  const auto here = FFile.tellg();
  FFile.seekg(0, std::ios::end);
  const auto end = FFile.tellg();
  FFile.seekg(here);
  return static_cast<int64_t>(end);
}

} // namespace tessera
