// TFileStream on the C library's streams: a read after a write (and back)
// at the same place, sizes and positions, paths beyond ASCII, and the
// errors of files that cannot be opened.
#include "base/exceptions.h"
#include "base/stream.h"
#include "package/exe_utils.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace tessera {
namespace {

using testing::ReadText;
using testing::TTempDir;
using testing::WriteBytes;

std::string ReadAll(TStream& stream) {
  std::string text(static_cast<size_t>(stream.Size()), '\0');
  stream.SetPosition(0);
  text.resize(stream.Read(text.data(), text.size()));
  return text;
}

TEST(FileStream, ReadsAndWritesInTurnAtTheSamePlace) {
  TTempDir dir;
  const std::string path = dir.File("d\xC3\xA9j\xC3\xA0 \xE2\x82\xAC.bin");
  {
    TFileStream file(path, TFileStream::TMode::Create);
    file.Write("hello world");
    EXPECT_EQ(file.Position(), 11);
    EXPECT_EQ(file.Size(), 11);
    file.SetPosition(1);
    char three[3];
    ASSERT_EQ(file.Read(three, 3), 3u);
    EXPECT_EQ(std::string(three, 3), "ell");
    // Straight from reading to writing, then back to reading.
    file.Write("O");
    EXPECT_EQ(file.Position(), 5);
    char rest[16];
    ASSERT_EQ(file.Read(rest, sizeof rest), 6u);
    EXPECT_EQ(std::string(rest, 6), " world");
    EXPECT_EQ(file.Read(rest, sizeof rest), 0u); // the end is no error
    // Past the end: the gap reads as zero bytes.
    file.SetPosition(13);
    file.Write("!");
    EXPECT_EQ(ReadAll(file), std::string("hellO world\0\0!", 14));
  }
  EXPECT_EQ(ReadText(path), std::string("hellO world\0\0!", 14));
  EXPECT_EQ(TExeUtils::GetFileSizeByPath(path), 14);

  TFileStream reader(path, TFileStream::TMode::OpenRead);
  EXPECT_EQ(reader.Size(), 14);
  EXPECT_THROW(reader.Write("x"), EFileError);
  EXPECT_THROW(reader.SetPosition(-1), EFileError);
}

TEST(FileStream, OpenReadWriteKeepsTheContent) {
  TTempDir dir;
  const std::string path = dir.File("keep.bin");
  WriteBytes(path, {'a', 'b', 'c', 'd'});
  {
    TFileStream file(path, TFileStream::TMode::OpenReadWrite);
    EXPECT_EQ(file.Size(), 4);
    file.SetPosition(file.Size());
    file.Write("ef");
  }
  EXPECT_EQ(ReadText(path), "abcdef");
}

TEST(FileStream, FilesThatCannotBeOpenedRaiseFileErrors) {
  TTempDir dir;
  const std::string missing = dir.File("missing.bin");
  for (const auto mode : {TFileStream::TMode::OpenRead, TFileStream::TMode::OpenReadWrite}) {
    try {
      TFileStream file(missing, mode);
      ADD_FAILURE() << "opened a missing file";
    } catch (const EFileError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + missing + "\"");
    }
  }
  const std::string inMissingFolder = dir.File("no/such/folder.bin");
  EXPECT_THROW(TFileStream(inMissingFolder, TFileStream::TMode::Create), EFileError);
  // Neither a missing file nor a folder has a file's size.
  EXPECT_EQ(TExeUtils::GetFileSizeByPath(missing), -1);
  EXPECT_EQ(TExeUtils::GetFileSizeByPath(PathToUtf8(dir.Path())), -1);
}

} // namespace
} // namespace tessera
