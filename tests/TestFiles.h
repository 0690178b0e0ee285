#pragma once
// Files for tests: a fresh temporary directory per test (removed when the
// test ends), whole-file reads and writes, and the shared real-world corpus.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace talvern::testing {

class TempDir {
public:
  TempDir() {
    std::string pattern = (std::filesystem::path(::testing::TempDir()) / "talvern-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // The full name of a file inside the directory.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::int64_t FileSizeOf(const std::string& path) {
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  return ec ? -1 : static_cast<std::int64_t>(size);
}

// The real-world corpus of tables, memos, indexes and GIF images; empty when
// it is absent (tests then skip).
inline std::string CorpusDir() {
  // The corpus lies in shared/ beside the checkout (worktrees sit one level
  // deeper, so the level above is tried too).
  for (const char* rel : {"/../shared/fixtures/real", "/../../shared/fixtures/real"}) {
    std::string dir = std::string(TALVERN_SOURCE_DIR) + rel;
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return std::filesystem::canonical(dir).string();
  }
  return "";
}

// Little-endian helpers for building files by hand.
inline void PutLE16(std::string& s, std::size_t at, unsigned v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void PutLE32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline std::uint32_t GetLE32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(s[at + i]);
  return v;
}
inline std::uint32_t GetBE32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<std::uint8_t>(s[at + i]);
  return v;
}

}  // namespace talvern::testing
