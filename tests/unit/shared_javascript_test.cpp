#include "bridge/shared_javascript.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tessera {
namespace {

TEST(SharedJavascript, EmbedsTheScriptFileByteForByte) {
  // TESSERA_TEST_DATA_DIR is tests/data; the script lives in resources/.
  const auto root = std::filesystem::path(TESSERA_TEST_DATA_DIR).parent_path().parent_path();
  std::ifstream file(root / "resources" / "qel_shared.js", std::ios::binary);
  ASSERT_TRUE(file.is_open());
  const std::string expected{std::istreambuf_iterator<char>(file), {}};

  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(QelSharedJavascript(), expected);
}

TEST(SharedJavascript, StartsWithTheAssignmentOfWindowQel) {
  // The runtime puts other scripts before and after it; it must be the one
  // statement that makes window.qel.
  EXPECT_TRUE(QelSharedJavascript().starts_with("window.qel = {"));
  EXPECT_TRUE(QelSharedJavascript().ends_with("};\n"));
}

} // namespace
} // namespace tessera
