// The app folder's walk on links, loops and files that cannot be read, and
// outputs that reach an input through a link: what POSIX file systems make.
#include "pack_fixture.h"

#include <sys/stat.h>

#include <functional>

namespace tessera {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::ReadBytes;
using testing::WriteBytes;

class PackagerLinksTest : public testing::PackFixture {
public:
  void Link(const std::string& target, const std::string& link) {
    fs::create_symlink(target, PathFromUtf8(Dir.File(link)));
  }

  // Names beside the inputs: what a pack left behind.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const std::string& name : Dir.Names()) {
      if (name.find(".part") != std::string::npos) {
        names.push_back(name);
      }
    }
    return names;
  }
};

TEST_F(PackagerLinksTest, WalksLinksInsideAndRefusesOrSkipsWhatCannotBePacked) {
  const std::string hello = "<h1>Hello</h1>";
  struct TCase {
    const char* Why;
    std::function<void(PackagerLinksTest&)> Arrange;
    TAppFolderRules Rules;
    // On success, the app's entries; on failure, none.
    std::map<std::string, std::string> Entries;
    // Words of the error, or of every notice on success.
    std::vector<std::string> Says;
  };
  const TCase cases[] = {
      {"a link to a file inside is packed as that file, under its own name",
       [](PackagerLinksTest& t) { t.Link("index.html", "app/alias.html"); },
       {},
       {{"web/index.html", hello}, {"web/alias.html", hello}},
       {}},
      {"a link to a folder inside, by a path through its parent, is packed as that folder",
       [](PackagerLinksTest& t) {
         fs::create_directories(PathFromUtf8(t.Dir.File("app/lib")));
         WriteBytes(t.Dir.File("app/lib/x.js"), Bytes("x"));
         t.Link("../app/lib", "app/more");
         t.Link(t.Dir.File("app/lib/x.js"), "app/lib/y.js");
       },
       {},
       {{"web/index.html", hello},
        {"web/lib/x.js", "x"},
        {"web/lib/y.js", "x"},
        {"web/more/x.js", "x"},
        {"web/more/y.js", "x"}},
       {}},
      {"a link leading outside fails",
       [](PackagerLinksTest& t) {
         WriteBytes(t.Dir.File("outside.txt"), Bytes("out"));
         t.Link("../outside.txt", "app/ext.txt");
       },
       {.SkipUnreadable = true},
       {},
       {"app/ext.txt\" is a link to \"../outside.txt\" that leads outside the app folder",
        "--follow-links"}},
      {"a link leading outside is followed with --follow-links, and named",
       [](PackagerLinksTest& t) {
         fs::create_directories(PathFromUtf8(t.Dir.File("shared")));
         WriteBytes(t.Dir.File("shared/s.css"), Bytes("s"));
         t.Link(t.Dir.File("shared"), "app/shared");
       },
       {.FollowLinks = true},
       {{"web/index.html", hello}, {"web/shared/s.css", "s"}},
       {"following link \"", "app/shared\" to \"", "outside the app folder"}},
      {"a dangling link fails",
       [](PackagerLinksTest& t) { t.Link("gone.js", "app/dangling.js"); },
       {.FollowLinks = true},
       {},
       {"app/dangling.js\" is a link to \"gone.js\" that leads to nothing", "--skip-unreadable"}},
      {"a dangling link is skipped with --skip-unreadable, and named",
       [](PackagerLinksTest& t) { t.Link("gone.js", "app/dangling.js"); },
       {.SkipUnreadable = true},
       {{"web/index.html", hello}},
       {"skipped \"", "app/dangling.js\": it is a link to \"gone.js\" that leads to nothing"}},
      {"a loop of links fails",
       [](PackagerLinksTest& t) {
         t.Link("b", "app/a");
         t.Link("a", "app/b");
       },
       {.FollowLinks = true},
       {},
       {"in a loop of links"}},
      {"a link back to a folder it lies in fails, unwalked",
       [](PackagerLinksTest& t) {
         fs::create_directories(PathFromUtf8(t.Dir.File("app/sub")));
         WriteBytes(t.Dir.File("app/sub/s.txt"), Bytes("s"));
         t.Link("..", "app/sub/up");
       },
       {.FollowLinks = true},
       {},
       {"app/sub/up\" is a link to \"..\" back to a folder it lies in (a loop)"}},
      {"a link back to a folder it lies in is skipped with --skip-unreadable",
       [](PackagerLinksTest& t) {
         fs::create_directories(PathFromUtf8(t.Dir.File("app/sub")));
         WriteBytes(t.Dir.File("app/sub/s.txt"), Bytes("s"));
         t.Link(t.Dir.File("app"), "app/sub/up");
       },
       {.SkipUnreadable = true},
       {{"web/index.html", hello}, {"web/sub/s.txt", "s"}},
       {"skipped \"", "app/sub/up\": it is a link to"}},
      {"links that multiply folders stop at what a package holds",
       [](PackagerLinksTest& t) {
         // Two links in each of 7 folders to the next: 128 ways to the
         // last folder's file, for a package of at most 100.
         t.Options.Rules.MaxFiles = 100;
         for (int level = 1; level <= 7; ++level) {
           const std::string folder = "app/d" + std::to_string(level);
           fs::create_directories(PathFromUtf8(t.Dir.File(folder)));
           const std::string from = level == 1 ? "app" : "app/d" + std::to_string(level - 1);
           t.Link(t.Dir.File(folder), from + "/a" + std::to_string(level));
           t.Link(t.Dir.File(folder), from + "/b" + std::to_string(level));
         }
         WriteBytes(t.Dir.File("app/d7/f.js"), Bytes("f"));
       },
       {},
       {},
       {"holds more than the package can: at most 100 files"}},
      {"a pipe fails instead of being waited on",
       [](PackagerLinksTest& t) { ASSERT_EQ(mkfifo(t.Dir.File("app/pipe").c_str(), 0600), 0); },
       {},
       {},
       {"app/pipe\" is not a regular file"}},
      {"a pipe is skipped with --skip-unreadable",
       [](PackagerLinksTest& t) { ASSERT_EQ(mkfifo(t.Dir.File("app/pipe").c_str(), 0600), 0); },
       {.SkipUnreadable = true},
       {{"web/index.html", hello}},
       {"skipped \"", "app/pipe\": it is not a regular file"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Why);
    // Each case on a fresh app folder, beside an earlier build that only
    // a successful pack may replace.
    fs::remove_all(PathFromUtf8(Dir.File("app")));
    fs::create_directories(PathFromUtf8(Dir.File("app")));
    WriteBytes(Dir.File("app/index.html"), Bytes(hello));
    WriteBytes(Options.Output, Bytes("previous build"));
    Options.Rules = c.Rules;
    c.Arrange(*this);
    std::string notices;
    try {
      Pack(Options, Os, {}, [&](const std::string& line) { notices += line + "\n"; });
      std::map<std::string, std::string> entries = PackedEntries();
      entries.erase("qel.ini");
      EXPECT_EQ(entries, c.Entries);
      for (const std::string& words : c.Says) {
        EXPECT_NE(notices.find(words), std::string::npos) << notices;
      }
      if (c.Says.empty()) {
        EXPECT_EQ(notices, "");
      }
    } catch (const EPackError& e) {
      EXPECT_TRUE(c.Entries.empty()) << "failed: " << e.what();
      for (const std::string& words : c.Says) {
        EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
      }
      EXPECT_EQ(ReadBytes(Options.Output), Bytes("previous build"));
    }
    EXPECT_TRUE(Leftovers().empty());
  }
}

// Links and hard links do not make an input pass for another file.
TEST_F(PackagerLinksTest, RefusesAnOutputThatReachesAnInputThroughALink) {
  WriteBytes(Dir.File("elsewhere.txt"), Bytes("kept"));
  Link(Options.Runtime, "runtime-link");
  fs::create_hard_link(PathFromUtf8(Dir.File("app/index.html")),
                       PathFromUtf8(Dir.File("index-copy.html")));
  Link("app", "into-app");
  const struct {
    std::string Output;
    const char* Says;
  } cases[] = {
      {Dir.File("runtime-link"), "is the runtime"},
      {Dir.File("index-copy.html"), "is the app's file"},
      {Dir.File("into-app/new.exe"), "inside the app folder"},
  };
  const std::vector<uint8_t> runtime = ReadBytes(Options.Runtime);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Output);
    Options.Output = c.Output;
    const std::string error = PackError();
    EXPECT_NE(error.find(c.Says), std::string::npos) << error;
    EXPECT_EQ(ReadBytes(Options.Runtime), runtime);
    EXPECT_EQ(ReadBytes(Dir.File("index-copy.html")), Bytes("<h1>Hello</h1>"));
    EXPECT_FALSE(fs::exists(PathFromUtf8(Dir.File("app/new.exe"))));
    EXPECT_TRUE(Leftovers().empty());
  }
}

} // namespace
} // namespace tessera
