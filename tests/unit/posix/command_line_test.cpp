// Splitting a command line into the arguments a program is started with.
#include "platform/posix/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessera {
namespace {

TEST(CommandLine, BlanksSeparateAndQuotesGroup) {
  const struct {
    std::string Text;
    std::vector<std::string> Args;
  } cases[] = {
      {"", {}},
      {" \t ", {}},
      {"run  -a\t-b ", {"run", "-a", "-b"}},
      {"\"/opt/my app/run\" --flag", {"/opt/my app/run", "--flag"}},
      {"a\"b c\"d e", {"ab cd", "e"}},
      {"x \"\" y", {"x", "", "y"}},
      {"open \"unterminated arg", {"open", "unterminated arg"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.Text), c.Args) << c.Text;
  }
}

} // namespace
} // namespace tessera
