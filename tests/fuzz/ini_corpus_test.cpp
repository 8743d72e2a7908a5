// Replays the INI fuzzer's corpus in the ordinary test run, so the target
// keeps building and the saved inputs keep passing without clang.
#include <cstdint>
#include <filesystem>

#include <gtest/gtest.h>

#include "temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

TEST(IniFuzzCorpusTest, EveryInputPasses) {
  const std::filesystem::path corpus = std::filesystem::path(TAZMEL_TEST_SOURCE_DIR) / "fuzz" / "corpus" / "ini";
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    const std::string bytes = tazmel::test::ReadFile(entry.path());
    EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0)
        << entry.path();
    ++count;
  }
  EXPECT_GT(count, 0) << "the corpus folder is empty";
}

}  // namespace
