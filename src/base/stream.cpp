#include "base/stream.h"

#include "base/exceptions.h"

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

const char* OpenModeOf(TFileStream::TMode mode) {
  switch (mode) {
  case TFileStream::TMode::OpenRead:
    return "rb";
  case TFileStream::TMode::Create:
    return "w+b";
  case TFileStream::TMode::OpenReadWrite:
    return "r+b";
  }
  return "rb";
}

} // namespace

TFileStream::TFileStream(const std::string& path, TMode mode)
    : FPath(path), FFile(OpenNativeFile(path, OpenModeOf(mode))) {
  if (!FFile) {
    const char* what = mode == TMode::Create ? "Cannot create file \"" : "Cannot open file \"";
    throw EFileError(what + path + "\"");
  }
}

void TFileStream::Switch(TLastOperation next) {
  // Seeking to where the stream stands is the switch the C library asks for.
  if (FLast != TLastOperation::None && FLast != next)
    SeekNativeFile(FFile.get(), 0, SEEK_CUR);
  FLast = next;
}

size_t TFileStream::Read(void* buffer, size_t count) {
  Switch(TLastOperation::Read);
  const size_t n = std::fread(buffer, 1, count, FFile.get());
  if (std::ferror(FFile.get())) {
    std::clearerr(FFile.get());
    throw EFileError("Cannot read file \"" + FPath + "\"");
  }
  // End of file is not an error: clear it so the stream stays usable.
  std::clearerr(FFile.get());
  return n;
}

void TFileStream::Write(const void* buffer, size_t count) {
  Switch(TLastOperation::Write);
  if (std::fwrite(buffer, 1, count, FFile.get()) != count) {
    std::clearerr(FFile.get());
    throw EFileError("Cannot write file \"" + FPath + "\"");
  }
}

int64_t TFileStream::Position() const {
  return TellNativeFile(FFile.get());
}

void TFileStream::SetPosition(int64_t position) {
  if (position < 0 || !SeekNativeFile(FFile.get(), position, SEEK_SET)) {
    std::clearerr(FFile.get());
    throw EFileError("Cannot seek in file \"" + FPath + "\"");
  }
  FLast = TLastOperation::None;
}

int64_t TFileStream::Size() const {
  const int64_t here = TellNativeFile(FFile.get());
  SeekNativeFile(FFile.get(), 0, SEEK_END);
  const int64_t end = TellNativeFile(FFile.get());
  SeekNativeFile(FFile.get(), here, SEEK_SET);
  return end;
}

} // namespace tessera
