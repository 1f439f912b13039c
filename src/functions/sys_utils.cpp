#include "functions/sys_utils.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace tessera {

std::uint32_t TSysUtils::ExecAndWait(OsServices& os, const std::string& commandLine) {
  return os.ExecAndWait(commandLine);
}

bool TSysUtils::ExecCmd(OsServices& os, const std::string& commandLine, bool wait) {
  return os.ExecCmd(commandLine, wait);
}

bool TSysUtils::ShellOpen(OsServices& os, const std::string& filePath) {
  return os.ShellExec(filePath, "");
}

bool TSysUtils::RestartApplication(OsServices& os, EventLoop& loop) {
  // The new start must not find this instance's marker, or it would take
  // itself for a second instance and end at once. Ending first would leave
  // the user with nothing when the start fails; then the marker is taken
  // again.
  const std::string marker = os.ReleaseSingleInstanceMarker();
  if (!ShellOpen(os, os.GetExecutablePath())) {
    if (!marker.empty())
      os.CreateSingleInstanceMarker(marker);
    return false;
  }
  loop.Quit();
  return true;
}

bool TSysUtils::EditWithMSPaint(OsServices& os, const std::string& filePath) {
  const std::string paint = os.GetPaintProgramPath();
  if (paint.empty())
    return false;
  return os.ShellExec(paint, "\"" + filePath + "\"");
}

bool TSysUtils::CopyFile(OsServices& os, const std::string& from, const std::string& to) {
  return os.CopyFileTo(from, to);
}

bool TSysUtils::CopyDirectory(OsServices& os, const std::string& from, const std::string& to) {
  return os.CopyDirectoryTo(from, to);
}

std::string TSysUtils::GetLnkFilePath(OsServices& os, const std::string& shortcutPath) {
  return os.GetLnkFilePath(shortcutPath);
}

bool TSysUtils::ExtractExeIcon(OsServices& os, const std::string& filePath, TBitmap& bitmap) {
  TBitmap icon;
  if (!os.ExtractFileIcon(filePath, icon.Width, icon.Height, icon.Pixels))
    return false;
  bitmap = std::move(icon);
  return true;
}

bool TSysUtils::PressKey(OsServices& os, std::uint16_t virtualKey) {
  return os.PressKey(virtualKey);
}

int TSysUtils::TrueFontWidth(Toolkit& widgets, const std::string& fontFamily, int fontHeightPixels,
                             const std::string& text) {
  return widgets.TextWidth(fontFamily, fontHeightPixels, text);
}

std::string TSysUtils::GetComputerNetName(OsServices& os) {
  return os.GetComputerNetName();
}

std::string TSysUtils::GetUserFromWindows(OsServices& os) {
  std::string name = os.GetSignedInUserName();
  return name.empty() ? "Unknown" : name;
}

std::string TSysUtils::GetProgramFilesDirPath(OsServices& os) {
  return os.GetProgramFilesDirPath();
}

std::string TSysUtils::GetSystemAppsDirPath(OsServices& os) {
  return os.GetSystemAppsDirPath();
}

std::string TSysUtils::FormatByteSize(std::int64_t bytes) {
  // Whole bytes need no rounding (and negative counts, which no size has,
  // stay exact too).
  if (bytes <= 1024) {
    std::string text = std::to_string(bytes);
    text.append(" bytes");
    return text;
  }
  constexpr double kKilo = 1024.0;
  const double value = static_cast<double>(bytes);
  const char* unit = "KB";
  double scaled = value / kKilo;
  if (bytes > 1073741824) {
    unit = "GB";
    scaled = value / (kKilo * kKilo * kKilo);
  } else if (bytes > 1048576) {
    unit = "MB";
    scaled = value / (kKilo * kKilo);
  }
  // Two decimals at most, rounded half away from zero, trailing zeros
  // dropped; whole numbers have no decimal point. The largest count gives
  // about 8.6e11 hundredths, well inside the integer.
  const long long hundredths = std::llround(scaled * 100.0);
  std::string text = std::to_string(hundredths / 100);
  const long long fraction = hundredths % 100;
  if (fraction != 0) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02lld", fraction);
    std::string decimals(digits);
    if (decimals.back() == '0')
      decimals.pop_back();
    text.push_back('.');
    text.append(decimals);
  }
  text.push_back(' ');
  text.append(unit);
  return text;
}

} // namespace tessera
