#include "tools/pack/packager.h"

#include "pack_fixture.h"

#include <sstream>

namespace tessera {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::ReadBytes;
using testing::WriteBytes;

class PackagerTest : public testing::PackFixture {
public:
  PackagerTest() {
    fs::create_directories(PathFromUtf8(Dir.File("app/css/d\xC3\xA9j\xC3\xA0")));
    WriteBytes(Dir.File("app/css/d\xC3\xA9j\xC3\xA0/site.css"), Bytes("body{}"));
    WriteBytes(Dir.File("app/empty.txt"), {});
  }

  void WriteSettings(std::string_view text) { WriteBytes(Options.Settings, Bytes(text)); }

  // Files in the test folder other than the inputs: nothing may be left.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Dir.Path())) {
      const std::string name = PathToUtf8(entry.path().filename());
      if (name != "app" && name != "runtime.exe" && name != "qel.ini" && name != "extra.js") {
        names.push_back(name);
      }
    }
    return names;
  }
};

TEST_F(PackagerTest, WritesEveryEntryAsTheRuntimeReadsIt) {
  WriteBytes(Dir.File("extra.js"), Bytes("console.log(1)"));
  Options.Script = Dir.File("extra.js");
  EXPECT_EQ(Pack(Options, Os), 5);

  const auto opened = OpenPacked();
  const TZipArchive& archive = opened->Archive;
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"qel.ini", "[App]\nID=demo\nName=Demo\nDirName=web\n"},
      {"web/css/d\xC3\xA9j\xC3\xA0/site.css", "body{}"},
      {"web/empty.txt", ""},
      {"web/index.html", "<h1>Hello</h1>"},
      {"qel-webviewjs", "console.log(1)"}};
  ASSERT_EQ(archive.Count(), int(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    const TZipEntry& entry = archive.Entry(int(i));
    EXPECT_EQ(entry.Name, expected[i].first);
    EXPECT_EQ(entry.Flags & 0x0009, 0x0009) << "encrypted, with a data descriptor";
    EXPECT_EQ(entry.Method, 0) << "stored";
    EXPECT_EQ(archive.ExtractBytes(int(i)), Bytes(expected[i].second));
  }
  // The runtime image is unchanged in front of the package.
  const auto runtime = ReadBytes(Options.Runtime);
  const auto output = ReadBytes(Options.Output);
  EXPECT_TRUE(std::equal(runtime.begin(), runtime.end(), output.begin()));
  EXPECT_TRUE(Leftovers() == std::vector<std::string>{"out.exe"});
}

TEST_F(PackagerTest, RefusesBadInputAndLeavesNothingBehind) {
  WriteBytes(Options.Output, Bytes("previous build"));
  struct TCase {
    const char* Why;
    std::function<void(PackagerTest&)> Arrange;
  };
  const TCase cases[] = {
      {"no ID", [](PackagerTest& t) { t.WriteSettings("[App]\nName=Demo\nDirName=web\n"); }},
      {"no Name", [](PackagerTest& t) { t.WriteSettings("[App]\nID=demo\nDirName=web\n"); }},
      {"no DirName", [](PackagerTest& t) { t.WriteSettings("[App]\nID=demo\nName=Demo\n"); }},
      {"settings outside [App]",
       [](PackagerTest& t) { t.WriteSettings("ID=demo\nName=Demo\nDirName=web\n"); }},
      {"DirName with a backslash",
       [](PackagerTest& t) { t.WriteSettings("[App]\nID=a\nName=b\nDirName=we\\b\n"); }},
      {"DirName ending in a slash",
       [](PackagerTest& t) { t.WriteSettings("[App]\nID=a\nName=b\nDirName=web/\n"); }},
      {"missing settings file", [](PackagerTest& t) { t.Options.Settings = t.Dir.File("nope"); }},
      {"missing app folder", [](PackagerTest& t) { t.Options.AppDir = t.Dir.File("nope"); }},
      {"runtime is no image",
       [](PackagerTest& t) { WriteBytes(t.Options.Runtime, Bytes("#!/bin/sh\n")); }},
      {"runtime already packed",
       [](PackagerTest& t) {
         auto image = testing::MakePe({{0x400, 0x600}});
         image.push_back(0);
         WriteBytes(t.Options.Runtime, image);
       }},
      {"missing loader", [](PackagerTest& t) { t.Options.Loader = t.Dir.File("nope.dll"); }},
  };
  for (const TCase& c : cases) {
    WriteBytes(Options.Runtime, testing::MakePe({{0x400, 0x600}}));
    WriteSettings("[App]\nID=demo\nName=Demo\nDirName=web\n");
    const TPackOptions saved = Options;
    c.Arrange(*this);
    EXPECT_THROW(Pack(Options, Os), EPackError) << c.Why;
    EXPECT_EQ(ReadBytes(Dir.File("out.exe")), Bytes("previous build")) << c.Why;
    EXPECT_TRUE(Leftovers() == std::vector<std::string>{"out.exe"}) << c.Why;
    Options = saved;
  }
}

// An output that would take the place of an input, or be written into the
// folder being packed, is refused before anything is written, however its
// path is spelled.
TEST_F(PackagerTest, RefusesAnOutputThatIsAnInputOrInsideTheAppFolder) {
  WriteBytes(Dir.File("loader.dll"), Bytes("MZ loader"));
  Options.Loader = Dir.File("loader.dll");
  const std::string dir = PathToUtf8(Dir.Path());
  const struct {
    std::string Output;
    std::string Says;
  } cases[] = {
      {dir + "/./runtime.exe", "is the runtime"},
      {dir + "/app/../qel.ini", "is the settings file"},
      {dir + "/loader.dll", "is the loader library"},
      {dir + "/app/index.html", "inside the app folder"},
      {dir + "/app/css/new.exe", "inside the app folder"},
      {dir + "/app/css/d\xC3\xA9j\xC3\xA0/../../new.exe", "inside the app folder"},
      {dir + "/app", "is a folder"},
      {dir + "/missing/new.exe", "its folder \"" + dir + "/missing\" does not exist"},
  };
  const auto snapshot = [&] {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& entry : fs::recursive_directory_iterator(Dir.Path())) {
      if (entry.is_regular_file()) {
        files[PathToUtf8(entry.path())] = ReadBytes(PathToUtf8(entry.path()));
      }
    }
    return files;
  };
  const auto before = snapshot();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Output);
    Options.Output = c.Output;
    const std::string error = PackError();
    EXPECT_NE(error.find(c.Says), std::string::npos) << error;
    EXPECT_TRUE(snapshot() == before) << "a file was written or changed";
  }
}

TEST_F(PackagerTest, CommandLineUsage) {
  struct TCase {
    std::vector<std::string> Args;
    int ExitCode;
    std::string Says;
  };
  const std::string rt = Options.Runtime, app = Options.AppDir, ini = Options.Settings,
                    out = Options.Output;
  const TCase cases[] = {
      {{"--help"}, 0, "Usage:"},
      {{}, 2, "missing --"},
      {{"--bogus"}, 2, "unknown option --bogus"},
      {{"stray"}, 2, "unexpected argument"},
      {{"--runtime"}, 2, "--runtime needs a value"},
      {{"--runtime", rt, "--runtime", rt}, 2, "given twice"},
      {{"--skip-unreadable=yes"}, 2, "--skip-unreadable takes no value"},
      {{"--follow-links", "--follow-links"}, 2, "--follow-links given twice"},
      {{"--runtime", rt, "--app", app, "--settings", ini}, 2, "missing --output"},
      {{"--list", out, "--app", app}, 2, "--list takes no other option"},
      {{"--list", rt}, 1, "carries no package"},
      {{"--runtime=" + rt, "--app", app, "--settings", ini, "--output", out, "--skip-unreadable",
        "--follow-links"},
       0,
       "(4 entries)"},
      {{"--list", out}, 0, "web/index.html"},
  };
  for (const TCase& c : cases) {
    std::ostringstream stdOut, stdErr;
    EXPECT_EQ(RunPackTool(c.Args, stdOut, stdErr, Os), c.ExitCode) << stdErr.str();
    EXPECT_NE((stdOut.str() + stdErr.str()).find(c.Says), std::string::npos)
        << stdOut.str() << stdErr.str();
  }
}

} // namespace
} // namespace tessera
