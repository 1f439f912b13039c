#include "functions/base64_groups.h"

#include <gtest/gtest.h>

#include <string>

namespace tessera {
namespace {

TEST(Base64Groups, DecodesWholeGroupsOfFourAndTrimsForTrailingPadding) {
  const struct {
    std::string Text;
    std::string Bytes;
  } cases[] = {
      {"", ""},
      {"QUJD", "ABC"},
      {"QUI=", "AB"},
      {"QQ==", "A"},
      {"QUJ", ""},       // an incomplete group is ignored
      {"QUJDRA", "ABC"}, // also after whole ones
      {"+/+/", "\xFB\xFF\xBF"},
      {"QU\nJD", "A@\t"}, // a line break takes its place in the group
      {"QUJD=", "AB"},    // the text's last "=" costs a byte, whatever the groups
      {"=", ""},
      {"QU*D", "A@\x03"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecodeBase64Groups(c.Text), c.Bytes) << c.Text;
}

} // namespace
} // namespace tessera
