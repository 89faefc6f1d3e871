// Stores that start small and grow as a run needs them: what they were given stays whole and
// in order across every step of growth.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cfront/output_file.h"
#include "cfront/spelling_store.h"
#include "tests/cfront/harness.h"

namespace kz::cfront::testing {
namespace {

// Lengths around the points where a store changes its block: empty, tiny, a quarter of the
// first and of the full block, and more than a whole block.
std::vector<std::size_t> awkwardLengths() {
  return {0,
          1,
          7,
          SpellingStore::kFirstBlockSize / 4,
          SpellingStore::kFirstBlockSize / 4 + 1,
          SpellingStore::kFirstBlockSize - 1,
          SpellingStore::kBlockSize / 4,
          SpellingStore::kBlockSize / 4 + 1,
          SpellingStore::kBlockSize + 3};
}

std::string textOf(std::size_t length, std::size_t seed) {
  std::string text(length, ' ');
  for (std::size_t at = 0; at < length; ++at) text[at] = static_cast<char>('a' + (at + seed) % 26);
  return text;
}

TEST(SpellingStore, KeptSpellingsStayIntactWhileLaterOnesFillNewBlocks) {
  SpellingStore store;
  std::vector<std::string> originals;
  std::vector<std::string_view> kept;
  for (std::size_t round = 0; round < 40; ++round) {
    for (std::size_t length : awkwardLengths()) {
      originals.push_back(textOf(length, originals.size()));
      kept.push_back(store.keep(originals.back()));
    }
  }
  for (std::size_t at = 0; at < kept.size(); ++at) {
    ASSERT_EQ(kept[at], originals[at]) << at;
    ASSERT_NE(static_cast<const void*>(kept[at].data()), originals[at].data()) << at;
  }
}

TEST(OutputFile, WritesOfEverySizeArriveWholeAndInOrder) {
  ScratchDirectory scratch;
  CapturedStream console;
  RunOptions options;
  Diagnostics diagnostics(options, console.stream());
  OutputFile output(diagnostics);
  ASSERT_TRUE(output.open(scratch.path() + "out.i"));
  std::string expected;
  for (std::size_t round = 0; round < 6; ++round) {
    for (std::size_t length : {std::size_t{1}, std::size_t{300}, OutputFile::kBlockSize - 5,
                               std::size_t{40000}, 3 * OutputFile::kBlockSize + 11}) {
      std::string text = textOf(length, expected.size());
      output.write(text);
      expected += text;
      output.put('\n');
      expected += '\n';
    }
  }
  output.close();
  EXPECT_EQ(scratch.read("out.i"), expected);
  EXPECT_EQ(console.text(), "");
}

}  // namespace
}  // namespace kz::cfront::testing
