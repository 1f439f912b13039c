#include "package/exe_utils.h"

#include "base/exceptions.h"
#include "base/native_file.h"
#include "package/image_end.h"

#include <vector>

namespace tessera {

int64_t TExeUtils::GetFileSizeByPath(const std::string& path) {
  return NativeFileSize(path);
}

int64_t TExeUtils::GetImageEndByPath(const std::string& path) {
  TFileStream file(path, TFileStream::TMode::OpenRead);
  return GetImageEnd(file).value_or(-1);
}

bool TExeUtils::ExeHasAttachedStub() {
  return ExeHasAttachedStub(FOs.GetExecutablePath());
}

bool TExeUtils::ExeHasAttachedStub(const std::string& exePath) {
  const int64_t imageEnd = GetImageEndByPath(exePath);
  return imageEnd >= 0 && GetFileSizeByPath(exePath) > imageEnd;
}

void TExeUtils::GetZipFromExe(TStream& target) {
  GetZipFromExe(FOs.GetExecutablePath(), target);
}

void TExeUtils::GetZipFromExe(const std::string& exePath, TStream& target) {
  TFileStream exe(exePath, TFileStream::TMode::OpenRead);
  const int64_t count = PackageSize(exe);
  target.SetPosition(0);
  Copy(exe, target, count);
}

void TExeUtils::ExtractZipFromExe(const std::string& zipPath) {
  ExtractZipFromExe(FOs.GetExecutablePath(), zipPath);
}

void TExeUtils::ExtractZipFromExe(const std::string& exePath, const std::string& zipPath) {
  TFileStream exe(exePath, TFileStream::TMode::OpenRead);
  const int64_t count = PackageSize(exe);
  TFileStream zip(zipPath, TFileStream::TMode::Create);
  Copy(exe, zip, count);
}

int64_t TExeUtils::PackageSize(TStream& exe) {
  const int64_t size = exe.Size();
  const int64_t imageEnd = GetImageEnd(exe).value_or(-1);
  // A file that is nothing but its image (or no image at all) has no
  // package to copy: this is not something the runtime can start.
  if (imageEnd < 0 || size == imageEnd) {
    FOs.ShowErrorBox("This is not a valid Windows application", "Error");
    FOs.ExitProcess(0);
  }
  // A truncated image gives a negative count, and so copies nothing.
  exe.SetPosition(std::min(imageEnd, size));
  return size - imageEnd;
}

void TExeUtils::AppendZipToExe(const std::string& zipPath, const std::string& exePath) {
  TFileStream zip(zipPath, TFileStream::TMode::OpenRead);
  TFileStream exe(exePath, TFileStream::TMode::OpenReadWrite);
  exe.SetPosition(exe.Size());
  const int64_t count = zip.Size();
  if (OnProgressMax) {
    OnProgressMax(*this, count);
  }
  std::vector<uint8_t> buffer(kChunkSize);
  int64_t total = 0;
  while (total < count) {
    const size_t n = zip.Read(buffer.data(), buffer.size());
    if (n == 0) {
      throw EFileError("File \"" + zipPath + "\" ended before all its bytes were read");
    }
    exe.Write(buffer.data(), n);
    total += static_cast<int64_t>(n);
    if (OnProgressPos) {
      OnProgressPos(*this, total);
    }
  }
}

void TExeUtils::Copy(TStream& source, TStream& target, int64_t count) {
  if (count <= 0) {
    return;
  }
  if (OnProgressMax) {
    OnProgressMax(*this, count);
  }
  std::vector<uint8_t> buffer(kChunkSize);
  const int64_t start = target.Position();
  int64_t total = 0;
  while (target.Position() - start < count) {
    const auto want = static_cast<size_t>(std::min<int64_t>(count - total, kChunkSize));
    const size_t n = source.Read(buffer.data(), want);
    // The file shrank while it was read: stop instead of waiting for bytes
    // that will never come.
    if (n == 0) {
      throw EFileError("The executable file ended before its package was read");
    }
    target.Write(buffer.data(), n);
    total += static_cast<int64_t>(n);
    if (OnProgressPos) {
      OnProgressPos(*this, total);
    }
  }
}

} // namespace tessera
