// Replays a fuzzer's saved corpus in the ordinary test run, so every target
// keeps building with g++ and its saved inputs keep passing without clang.
// Built once per fuzzer with TAZMEL_CORPUS_DIR naming its corpus folder.
#include <cstdint>
#include <filesystem>

#include <gtest/gtest.h>

#include "temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

TEST(FuzzCorpusTest, EveryInputPasses) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TAZMEL_CORPUS_DIR)) {
    const std::string bytes = tazmel::test::ReadFile(entry.path());
    EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0)
        << entry.path();
    ++count;
  }
  EXPECT_GT(count, 0) << "the corpus folder is empty";
}

}  // namespace
