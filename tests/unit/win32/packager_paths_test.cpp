// Windows spellings of a path (letter case, backslashes, ".") do not make
// an input pass for another file as tessera-pack's output.
#include "pack_fixture.h"

#include <algorithm>
#include <cctype>

namespace tessera {
namespace {

class PackagerPathsTest : public testing::PackFixture {};

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

TEST_F(PackagerPathsTest, RefusesAnInputSpelledAnotherWay) {
  std::string backslashed = Dir.File("app");
  std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
  const struct {
    std::string Output;
    const char* Says;
  } cases[] = {
      {Upper(Options.Runtime), "is the runtime"},
      {Upper(Dir.File("qel.ini")), "is the settings file"},
      {Upper(Dir.File("APP")) + "\\NEW.EXE", "inside the app folder"},
      {backslashed + "\\.\\index.html", "inside the app folder"},
  };
  const std::vector<uint8_t> runtime = testing::ReadBytes(Options.Runtime);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Output);
    Options.Output = c.Output;
    const std::string error = PackError();
    EXPECT_NE(error.find(c.Says), std::string::npos) << error;
    EXPECT_EQ(testing::ReadBytes(Options.Runtime), runtime);
    EXPECT_EQ(Dir.Names(), (std::vector<std::string>{"app", "qel.ini", "runtime.exe"}));
  }
}

} // namespace
} // namespace tessera
