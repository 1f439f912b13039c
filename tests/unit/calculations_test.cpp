#include "package/calculations.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

TEST(CalculateWidth, ShiftsLettersBackByTheKeyAtTheSamePosition) {
  struct TCase {
    std::string_view Text;
    std::string_view Key;
    std::string_view Expected;
  };
  const TCase cases[] = {
      {"", "ABC", ""},
      {"LXFOPVEFRNHR", "LEMON", "ATTACKATDAWN"},
      // A-B and B-C wrap to Z; "-" takes key position 2, so C meets E and D
      // meets F (not D and E as if only letters counted).
      {"AB-CD", "BCDEF", "ZZ-YY"},
      {"ab-cd", "BCDEF", "zz-yy"},
      {"Zz", "Z", "Aa"},
      {"Hello", "A", "Hello"},
      // Neighbours of the letter ranges are not letters.
      {"@[`{0 9!~", "BCD", "@[`{0 9!~"},
      // A non-ASCII character is copied whole and takes one position.
      {"\xC3\xA9"
       "B",
       "AB",
       "\xC3\xA9"
       "A"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(CalculateWidth(c.Text, c.Key), c.Expected) << c.Text << " / " << c.Key;
  }
}

TEST(CalculateWidth, RejectsKeysWithAnythingButCapitalLetters) {
  for (const std::string_view key : {"Ab", "A1", "A B", "@", "[", "\xC3\x89"}) {
    for (const std::string_view text : {"", "123", "ABC"}) {
      try {
        CalculateWidth(text, key);
        ADD_FAILURE() << "no error for key " << key;
      } catch (const ECalculationError& e) {
        EXPECT_STREQ(e.what(), "Invalid character in CalculateWidth key.");
      }
    }
  }
  // An empty key has nothing to shift by.
  EXPECT_THROW(CalculateWidth("ABC", ""), ECalculationError);
  EXPECT_THROW(CalculateWidth("", ""), ECalculationError);
}

// The packager derives the same password from the same two values; if this
// changes, no existing package opens.
TEST(CalculateWidth, PackagePasswordIsStable) {
  EXPECT_EQ(kPackagePasswordText.size(), 26u);
  EXPECT_EQ(kPackagePasswordKey.size(), 21u);
  EXPECT_EQ(PackagePassword(), "Fd7z-Mj2.Zz9_Qv4+Dh8:Gj3@U");
}

} // namespace
} // namespace tessera
