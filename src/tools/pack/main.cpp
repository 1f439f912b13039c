// tessera-pack: packs a web application into one executable.
#include "platform/api/os_services.h"
#include "tools/pack/packager.h"

#include <exception>
#include <iostream>

int main() {
  try {
    const auto os = tessera::CreateOsServices();
    std::vector<std::string> args = os->GetCommandLineArguments();
    if (!args.empty()) {
      args.erase(args.begin());
    }
    return tessera::RunPackTool(args, std::cout, std::cerr, *os);
  } catch (const std::exception& e) {
    std::cerr << "tessera-pack: " << e.what() << "\n";
    return 1;
  }
}
