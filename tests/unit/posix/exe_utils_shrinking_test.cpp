#include "package/exe_utils.h"

#include "base/exceptions.h"
#include "image_fixtures.h"
#include "platform/fake/fake_os_services.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessera {
namespace {

TEST(ExeUtilsShrinking, AFileCutShortWhileCopiedStopsWithAFileError) {
  testing::TTempDir dir;
  const std::string exe = dir.File("app");
  auto bytes = testing::MakePe({{0x400, 0x200}});
  const size_t imageEnd = bytes.size();
  bytes.resize(imageEnd + 50000, 0x5A);
  testing::WriteBytes(exe, bytes);

  FakeOsServices os;
  TExeUtils utils(os);
  // After the first chunk, another process truncates the file.
  utils.OnProgressPos = [&](TExeUtils&, int64_t) {
    std::filesystem::resize_file(exe, imageEnd + 12000);
  };
  TMemoryStream target;
  EXPECT_THROW(utils.GetZipFromExe(exe, target), EFileError);
  EXPECT_LE(target.Size(), 12000);
}

} // namespace
} // namespace tessera
