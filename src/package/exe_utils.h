#pragma once

#include "base/stream.h"
#include "platform/api/os_services.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tessera {

// Finds, copies out and appends the package of an executable: the file is
// the executable image followed directly by a ZIP archive, with no marker of
// its own; the image's headers tell where the image ends.
//
// Every operation works on the running executable (its path comes from the
// OS services) or on a given file, so the packager and the tests can use
// them on any image.
class TExeUtils {
public:
  static constexpr size_t kChunkSize = 10240;

  // Called with the sender and a byte count: once before a copy with the
  // number of bytes to copy, then after each chunk with the bytes so far.
  using TProgressEvent = std::function<void(TExeUtils& sender, int64_t count)>;

  explicit TExeUtils(OsServices& os) : FOs(os) {}

  TProgressEvent OnProgressMax;
  TProgressEvent OnProgressPos;

  // True when the file is longer than its image: it carries appended data.
  bool ExeHasAttachedStub();
  bool ExeHasAttachedStub(const std::string& exePath);

  // Copies the package into target from position 0; the position ends after
  // the copied bytes. A file with nothing appended shows "This is not a
  // valid Windows application" and ends the process.
  void GetZipFromExe(TStream& target);
  void GetZipFromExe(const std::string& exePath, TStream& target);

  // The same into a new file at zipPath (an existing file is replaced).
  void ExtractZipFromExe(const std::string& zipPath);
  void ExtractZipFromExe(const std::string& exePath, const std::string& zipPath);

  // Appends the whole file at zipPath to the file at exePath.
  void AppendZipToExe(const std::string& zipPath, const std::string& exePath);

  // Size of the file at path, or -1 when there is no such file.
  static int64_t GetFileSizeByPath(const std::string& path);

  // Where the image in the file at path ends; -1 when the file is no
  // executable image this system knows (PE or ELF).
  static int64_t GetImageEndByPath(const std::string& path);

private:
  // Bytes after the image, with exe positioned at the first of them; ends
  // the process with a message when there is no package at all.
  int64_t PackageSize(TStream& exe);
  void Copy(TStream& source, TStream& target, int64_t count);

  OsServices& FOs;
};

} // namespace tessera
