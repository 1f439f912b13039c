// The network adapters' hardware addresses of the Linux OS services.
#include "platform/posix/os_services_posix.h"

#include <algorithm>
#include <cctype>
#include <dirent.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tessera {

namespace {

constexpr const char* kNetClassFolder = "/sys/class/net/";

std::string FirstLine(const std::string& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

// "aa:bb:cc:dd:ee:ff" in upper case; empty for anything but six pairs of
// hexadecimal digits (InfiniBand and tunnels have other forms).
std::string SixByteAddress(const std::string& text) {
  if (text.size() != 17)
    return {};
  std::string upper;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (i % 3 == 2 ? c != ':' : !std::isxdigit(c))
      return {};
    upper.push_back(static_cast<char>(std::toupper(c)));
  }
  return upper;
}

} // namespace

std::vector<std::string> PosixOsServices::GetMacAddresses() {
  std::vector<std::string> names;
  if (DIR* dir = opendir(kNetClassFolder); dir != nullptr) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..")
        names.push_back(name);
    }
    closedir(dir);
  }
  // The kernel lists interfaces in no set order; by name the lines come out
  // the same on every call.
  std::sort(names.begin(), names.end());
  std::vector<std::string> lines;
  for (const std::string& name : names) {
    const std::string folder = kNetClassFolder + name + "/";
    const std::string address = SixByteAddress(FirstLine(folder + "address"));
    if (address.empty() || address == "00:00:00:00:00:00")
      continue;
    const char* prefix = "U";
    if (Exists(folder + "wireless") || Exists(folder + "phy80211"))
      prefix = "W";
    else if (FirstLine(folder + "type") == "1")
      prefix = "E";
    lines.push_back(std::string(prefix) + "," + address);
  }
  return lines;
}

} // namespace tessera
