#include "platform/posix/mime_types_file.h"

#include "platform/api/os_services.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tessera {
namespace {

using Pair = std::pair<std::string, std::string>;
using ::testing::ElementsAre;

TEST(MimeTypesFile, EveryExtensionOfALineGetsItsType) {
  const TSystemMimeTypes system = ParseMimeTypesFile("# comment line\n"
                                                     "application/json\t\t\t\tjson\n"
                                                     "\n"
                                                     "application/json-seq\n"
                                                     "audio/mpeg  mpga mp2 mp3 # trailing\r\n"
                                                     "   font/woff2 woff2");
  EXPECT_THAT(system.ContentTypes,
              ElementsAre(Pair(".json", "application/json"), Pair(".mpga", "audio/mpeg"),
                          Pair(".mp2", "audio/mpeg"), Pair(".mp3", "audio/mpeg"),
                          Pair(".woff2", "font/woff2")));
  EXPECT_TRUE(system.Extensions.empty());
}

TEST(MimeTypesFile, TheSystemFileFillsTheGapsOfTheBuiltInList) {
  // Debian's mime.types names these; the built-in list does not.
  const TSystemMimeTypes system = CreateOsServices()->ReadMimeDatabase();
  if (system.ContentTypes.empty())
    GTEST_SKIP() << kSystemMimeTypesPath << " is missing or empty";
  EXPECT_THAT(system.ContentTypes, ::testing::Contains(Pair(".wasm", "application/wasm")));
}

} // namespace
} // namespace tessera
