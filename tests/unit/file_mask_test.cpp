#include "functions/file_mask.h"

#include <gtest/gtest.h>

#include <string>

namespace tessera {
namespace {

TEST(FileMask, MatchesWildcardsAndSetsIgnoringCase) {
  const struct {
    std::string Name;
    std::string Mask;
    bool Matches;
  } cases[] = {
      {"readme", "*.*", true}, // every name, with a dot or without
      {"a.txt", "*.txt", true},
      {"A.TXT", "*.txt", true},
      {"a.txt.bak", "*.txt", false},
      {"a.txt", "*", true},
      {"", "*", true},
      {"ab.txt", "?.txt", false},
      {"a.txt", "?.txt", true},
      {"a.txt", "a.txt?", false},
      {"report-2024.csv", "report-*.csv", true},
      {"abcabd", "*abd", true}, // a star gives back what a later part needs
      {"abcab", "*ab*c", false},
      {"b.log", "[a-c].log", true},
      {"B.log", "[a-c].log", true},
      {"d.log", "[a-c].log", false},
      {"d.log", "[!a-c].log", true},
      {"x1", "x[0-9]", true},
      {"x-", "x[a-]", true},      // "-" last in a set is itself
      {"[a.txt", "[a.txt", true}, // "[" without "]" is itself
      {"ÉTÉ.txt", "été.*", true},
      {"ПРИВЕТ.doc", "привет.doc", true},
      {"中文.txt", "??.txt", true}, // "?" is one character, not one byte
      {"😀.png", "?.png", true},
      {"Ÿ", "ÿ", true},
      {"ŁÓDŹ", "łódź", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchesFileMask(c.Name, c.Mask), c.Matches) << c.Name << " ~ " << c.Mask;
}

} // namespace
} // namespace tessera
