// The fake registry answers as the real stores do (registry_cases.h).
#include "platform/api/registry_key_path.h"
#include "platform/fake/fake_os_services.h"
#include "registry_cases.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

TEST(FakeRegistry, AnswersTheRegistryCases) {
  FakeOsServices os;
  testing::RunRegistryCases(os, [&](const std::string& key, const std::string& name) {
    os.Registry.PlantValue(key, name, kRegistryDword, std::string("\x2A\0\0\0", 4));
  });
}

} // namespace
} // namespace tessera
