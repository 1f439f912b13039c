// The IStream the engine reads resource bodies from and writes page
// captures into, over our own streams.
#include "platform/webview2/stream_adapter.h"

#include "base/exceptions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tessera::webview2 {
namespace {

std::shared_ptr<TMemoryStream> MemoryWith(const std::string& text) {
  return std::make_shared<TMemoryStream>(std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(StreamAdapter, ReadsFromThePositionAndSaysWhenItRanShort) {
  auto memory = MemoryWith("hello world");
  memory->SetPosition(6);
  TComPtr<IStream> stream = MakeStreamAdapter(memory);

  char buffer[16] = {};
  ULONG read = 99;
  EXPECT_EQ(stream->Read(buffer, 3, &read), S_OK);
  EXPECT_EQ(read, 3u);
  EXPECT_EQ(std::string(buffer, read), "wor");
  EXPECT_EQ(stream->Read(buffer, sizeof(buffer), &read), S_FALSE);
  EXPECT_EQ(std::string(buffer, read), "ld");
  EXPECT_EQ(stream->Read(buffer, sizeof(buffer), &read), S_FALSE);
  EXPECT_EQ(read, 0u);
  // The count may be left out.
  EXPECT_EQ(stream->Read(buffer, 0, nullptr), S_OK);
}

TEST(StreamAdapter, WritesThroughToTheStream) {
  auto memory = MemoryWith("");
  TComPtr<IStream> stream = MakeStreamAdapter(memory);
  ULONG written = 0;
  EXPECT_EQ(stream->Write("\x89PNG", 4, &written), S_OK);
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(stream->Write("!", 1, nullptr), S_OK);
  EXPECT_EQ(stream->Commit(STGC_DEFAULT), S_OK);
  EXPECT_EQ(memory->Text(), std::string("\x89PNG!"));
}

TEST(StreamAdapter, SeeksFromEachOriginAndRefusesToGoBeforeTheStart) {
  struct TCase {
    std::int64_t Move;
    DWORD Origin;
    ::HRESULT Result;
    std::int64_t Position; // where the stream is afterwards (it starts at 4)
  };
  const TCase cases[] = {
      {2, STREAM_SEEK_SET, S_OK, 2},
      {3, STREAM_SEEK_CUR, S_OK, 7},
      {-2, STREAM_SEEK_CUR, S_OK, 2},
      {-1, STREAM_SEEK_END, S_OK, 9},
      {5, STREAM_SEEK_END, S_OK, 15},
      {-5, STREAM_SEEK_CUR, STG_E_INVALIDFUNCTION, 4},
      {-11, STREAM_SEEK_END, STG_E_INVALIDFUNCTION, 4},
      {0, 3, STG_E_INVALIDFUNCTION, 4},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "move " << c.Move << " from " << c.Origin);
    auto memory = MemoryWith("0123456789");
    memory->SetPosition(4);
    TComPtr<IStream> stream = MakeStreamAdapter(memory);
    LARGE_INTEGER move;
    move.QuadPart = c.Move;
    ULARGE_INTEGER reached;
    reached.QuadPart = 12345;
    EXPECT_EQ(stream->Seek(move, c.Origin, &reached), c.Result);
    EXPECT_EQ(memory->Position(), c.Position);
    if (c.Result == S_OK) {
      EXPECT_EQ(reached.QuadPart, static_cast<ULONGLONG>(c.Position));
    }
  }
}

TEST(StreamAdapter, StatGivesTheSizeOfAStream) {
  TComPtr<IStream> stream = MakeStreamAdapter(MemoryWith("abcdef"));
  STATSTG stat;
  ASSERT_EQ(stream->Stat(&stat, STATFLAG_DEFAULT), S_OK);
  EXPECT_EQ(stat.type, static_cast<DWORD>(STGTY_STREAM));
  EXPECT_EQ(stat.cbSize.QuadPart, 6u);
  EXPECT_EQ(stat.pwcsName, nullptr);
}

TEST(StreamAdapter, KeepsTheStreamAliveWhileTheEngineHoldsIt) {
  auto memory = MemoryWith("body");
  std::weak_ptr<TMemoryStream> alive = memory;
  TComPtr<IStream> stream = MakeStreamAdapter(std::move(memory));
  TComPtr<ISequentialStream> sequential = stream.As<ISequentialStream>();
  ASSERT_TRUE(sequential);
  stream.Reset();
  EXPECT_FALSE(alive.expired());
  char buffer[4];
  ULONG read = 0;
  EXPECT_EQ(sequential->Read(buffer, 4, &read), S_OK);
  EXPECT_EQ(std::string(buffer, read), "body");
  sequential.Reset();
  EXPECT_TRUE(alive.expired());
}

TEST(StreamAdapter, NoStreamMakesNoAdapter) {
  EXPECT_FALSE(MakeStreamAdapter(nullptr));
}

// A stream whose every access fails, as a file on a lost drive.
class TBrokenStream final : public TStream {
public:
  using TStream::Write;
  size_t Read(void*, size_t) override { throw EFileError("Cannot read file \"x\""); }
  void Write(const void*, size_t) override { throw EFileError("Cannot write file \"x\""); }
  int64_t Position() const override { return 0; }
  void SetPosition(int64_t) override {}
  int64_t Size() const override { return 0; }
};

TEST(StreamAdapter, FailuresOfTheStreamBecomeErrorCodes) {
  TComPtr<IStream> stream = MakeStreamAdapter(std::make_shared<TBrokenStream>());
  char buffer[4];
  ULONG count = 99;
  testing::internal::CaptureStderr();
  EXPECT_EQ(stream->Read(buffer, 4, &count), STG_E_READFAULT);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(stream->Write("abc", 3, &count), STG_E_WRITEFAULT);
  EXPECT_EQ(count, 0u);
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("Cannot read file"), std::string::npos) << errors;
  EXPECT_NE(errors.find("Cannot write file"), std::string::npos) << errors;
}

} // namespace
} // namespace tessera::webview2
