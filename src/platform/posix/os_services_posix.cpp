#include "platform/posix/os_services_posix.h"

#include "base/utf.h"
#include "platform/posix/mime_types_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <unistd.h>
#include <vector>

namespace tessera {

namespace {

// The user's locale encoding, as setlocale(LC_CTYPE, "") would pick it,
// without changing the process's own locale.
std::string LocaleCodeset() {
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) {
    return "UTF-8";
  }
  std::string codeset = nl_langinfo_l(CODESET, loc);
  freelocale(loc);
  return codeset.empty() ? "UTF-8" : codeset;
}

class TIconv {
public:
  TIconv(const char* to, const char* from) : FHandle(iconv_open(to, from)) {}
  ~TIconv() {
    if (Valid()) {
      iconv_close(FHandle);
    }
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  bool Valid() const { return FHandle != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return FHandle; }

private:
  iconv_t FHandle;
};

// Converts with iconv; a byte the encoding cannot decode becomes U+FFFD.
std::string ConvertToUtf8(std::string_view bytes, const std::string& codeset) {
  TIconv cd("UTF-8", codeset.c_str());
  if (!cd.Valid()) {
    return Utf16ToUtf8(Utf8ToUtf16(bytes));
  }
  std::string out;
  std::vector<char> input(bytes.begin(), bytes.end());
  char* in = input.data();
  size_t inLeft = input.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t rc = iconv(cd.Get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (rc == static_cast<size_t>(-1)) {
      if (errno == E2BIG) {
        continue;
      }
      // Invalid or incomplete sequence: replace one byte and go on.
      AppendUtf8(out, 0xFFFD);
      ++in;
      --inLeft;
    }
  }
  return out;
}

} // namespace

std::string PosixOsServices::GetExecutablePath() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) {
      return {};
    }
    if (static_cast<size_t>(n) < buffer.size()) {
      return std::string(buffer.data(), static_cast<size_t>(n));
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> PosixOsServices::GetCommandLineArguments() {
  // The kernel's copy of argv: NUL-terminated strings back to back.
  std::vector<std::string> args;
  std::FILE* file = std::fopen("/proc/self/cmdline", "rb");
  if (file == nullptr) {
    return args;
  }
  std::string current;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
    if (c == 0) {
      args.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(static_cast<char>(c));
    }
  }
  std::fclose(file);
  return args;
}

std::string PosixOsServices::DecodeAnsiText(std::string_view bytes) {
  // Text that is valid UTF-8 is UTF-8 whatever the locale says: it is what
  // the system and its programs write, and a process started without a
  // locale (LANG unset: services, some launchers) would otherwise take it
  // for ASCII and turn every other character into U+FFFD. Other bytes are
  // decoded in the locale's encoding.
  std::string utf8 = Utf16ToUtf8(Utf8ToUtf16(bytes));
  if (utf8 == bytes) {
    return utf8;
  }
  const std::string codeset = LocaleCodeset();
  if (codeset == "UTF-8" || codeset == "utf8") {
    return utf8;
  }
  return ConvertToUtf8(bytes, codeset);
}

TSystemMimeTypes PosixOsServices::ReadMimeDatabase() {
  // The extension-to-type lines of the system's mime.types stand where the
  // registry's file-extension keys stand on Windows. Its lines also list
  // several extensions per type, so it has no one "Extension" per type to
  // give; that pass stays empty.
  std::string text;
  if (!LoadBytesFromFile(kSystemMimeTypesPath, text))
    return {};
  return ParseMimeTypesFile(text);
}

void PosixOsServices::ShowErrorBox(const std::string& text, const std::string& caption) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

void PosixOsServices::ExitProcess(int code) {
  std::exit(code);
}

std::unique_ptr<OsServices> CreateOsServices() {
  return std::make_unique<PosixOsServices>();
}

} // namespace tessera
