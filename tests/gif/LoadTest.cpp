// Loading, saving, copying and the frame index of TGif, on files built by
// hand byte by byte.
#include <gtest/gtest.h>

#include <sstream>

#include "GifTestKit.h"
#include "gif/Gif.h"

namespace talvern {
namespace {

using testing::GifFile;

std::string LoadError(const std::string& bytes) {
  TGif gif;
  try {
    gif.LoadFromBytes(bytes);
  } catch (const EInvalidGraphic& e) {
    return e.what();
  }
  return "";
}

// 13 header bytes of a 1 x 1 screen without a colour table.
std::string Header(const std::string& signatureAndVersion, std::uint8_t packed = 0) {
  return signatureAndVersion + std::string("\x01\x00\x01\x00", 4) + static_cast<char>(packed) + std::string(2, '\0');
}

TEST(GifLoad, HeaderChecksInOrder) {
  EXPECT_EQ(LoadError(""), kGifInvalidData);
  EXPECT_EQ(LoadError(Header("GIF89a")), kGifInvalidData);  // nothing after the header
  EXPECT_EQ(LoadError(Header("GIF89a") + ";"), "");
  EXPECT_EQ(LoadError(Header("GIF87a") + ";"), "");
  EXPECT_EQ(LoadError(Header("GIF88a") + ";"), kGifInvalidVersion);
  EXPECT_EQ(LoadError(Header("GIG89a") + ";"), kGifInvalidFormat);
  EXPECT_EQ(LoadError(Header("GIG88a")), kGifInvalidData);  // the length is checked first
}

TEST(GifLoad, GlobalColorTableOfSizeField7NeedsItsBytesAndOneMore) {
  const std::string header = Header("GIF89a", 0x87);
  EXPECT_EQ(LoadError(header + std::string(768, '\0')), kGifInvalidData);
  EXPECT_EQ(LoadError(header + std::string(768, '\0') + ";"), "");
  TGif gif;
  gif.LoadFromBytes(header + std::string(767, '\0') + "\x05;");
  ASSERT_EQ(gif.ColorTable().size(), 256u);
  EXPECT_EQ(gif.ColorTable()[255][2], 5);
  EXPECT_EQ(gif.Data().size(), 1u);
}

TEST(GifLoad, UnknownBlockIsInvalidData) {
  EXPECT_EQ(LoadError(Header("GIF89a") + "\x00;"), kGifInvalidData);
  EXPECT_EQ(LoadError(Header("GIF89a") + std::string("!\xFE\x01x\x00X", 6)), kGifInvalidData);
  // After the trailer anything may follow.
  EXPECT_EQ(LoadError(Header("GIF89a") + ";garbage"), "");
}

TEST(GifLoad, AbsurdScreenIsRefusedButLargeDrawingsLoad) {
  GifFile file;
  file.width = file.height = 65535;
  EXPECT_EQ(LoadError(file.Bytes()), kGifTooLarge);
  file.width = 8192;
  file.height = 4096;  // exactly the limit
  EXPECT_EQ(LoadError(file.Bytes()), "");
  file.height = 4097;
  EXPECT_EQ(LoadError(file.Bytes()), kGifTooLarge);
}

TEST(GifLoad, IndexesFramesAndExtensionsAndSavesTheSameBytes) {
  GifFile file;
  file.globalTable = {kBlack, kWhite};
  file.blocks += std::string("!\xF9\x04\x01\x00\x00\x00\x00", 8);
  file.AddImage(1, 1, 2, testing::PackCodes({{4, 3}, {1, 3}, {5, 3}}), false, {kBlack, kWhite, kBlack, kWhite});
  file.blocks += std::string("!\xFE\x02hi\x00", 6);
  file.AddImage(1, 1, 2, testing::PackCodes({{4, 3}, {0, 3}, {5, 3}}), true);
  const std::string bytes = file.Bytes();

  std::istringstream in("prefix" + bytes);
  in.seekg(6);
  TGif gif;
  gif.LoadFromStream(in);
  EXPECT_EQ(gif.Width(), 1);
  EXPECT_EQ(gif.Version(), "89a");
  ASSERT_EQ(gif.ExtensionCount(), 2);
  EXPECT_EQ(gif.ExtensionPosition(0), 1u);
  EXPECT_EQ(gif.ExtensionLabel(0), 0xF9);
  EXPECT_EQ(gif.ExtensionLabel(1), 0xFE);
  ASSERT_EQ(gif.FrameCount(), 2);
  EXPECT_EQ(gif.FramePosition(0), 9u);
  // 9 descriptor bytes, 12 of the local table, the code size, 4 of codes
  // (a sub-block of 2 bytes and the end), 6 of the comment, the separator.
  EXPECT_EQ(gif.FramePosition(1), 9u + 9 + 12 + 1 + 4 + 6 + 1);
  const TGifFrameInfo second = gif.FrameInfo(1);
  EXPECT_TRUE(second.interlaced);
  EXPECT_EQ(second.localColors, 0);
  EXPECT_EQ(gif.FrameInfo(0).localColors, 4);

  std::ostringstream out;
  gif.SaveToStream(out);
  EXPECT_EQ(out.str(), bytes);

  // Frame selection signals changes; an index past the last frame does nothing.
  int changes = 0;
  gif.OnChange = [&] { ++changes; };
  gif.SelectFrame(1);
  gif.SelectFrame(2);
  gif.SelectFrame(-1);
  EXPECT_EQ(gif.CurrentFrame(), 1);
  EXPECT_EQ(changes, 1);

  TGif copy;
  copy.SetTransparent(true);
  copy.Assign(gif);
  EXPECT_FALSE(copy.Transparent());
  EXPECT_EQ(copy.CurrentFrame(), 1);
  EXPECT_EQ(copy.FrameCount(), 2);
  std::ostringstream copied;
  copy.SaveToStream(copied);
  EXPECT_EQ(copied.str(), bytes);
}

TEST(GifLoad, AFailedLoadLeavesAnEmptyImageThatSavesNothing) {
  GifFile file;
  file.AddImage(1, 1, 2, testing::PackCodes({{4, 3}, {1, 3}, {5, 3}}));
  TGif gif;
  gif.LoadFromBytes(file.Bytes());
  EXPECT_EQ(gif.FrameCount(), 1);
  EXPECT_THROW(gif.LoadFromBytes(Header("GIF89a") + "\x01"), EInvalidGraphic);
  EXPECT_EQ(gif.FrameCount(), 0);
  EXPECT_EQ(gif.Width(), 0);
  std::ostringstream out;
  gif.SaveToStream(out);
  EXPECT_TRUE(out.str().empty());
  EXPECT_THROW(gif.SetWidth(1), EInvalidGraphic);
  EXPECT_THROW((void)gif.Empty(), EInvalidGraphic);
}

}  // namespace
}  // namespace talvern
