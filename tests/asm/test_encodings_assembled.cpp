// Every case of encodings.txt once more, through the whole assembler: the statement layer,
// the passes and the final-pass output must give the bytes the encoder gives alone.
#include <gtest/gtest.h>

#include "tests/asm/assemble_helper.h"
#include "tests/asm/encoding_cases.h"

namespace kz::assembler {
namespace {

using testing::hex;

TEST(EncodingsAssembled, EveryCaseThroughTheWholeAssembler) {
  std::vector<testing::EncodingCase> cases = testing::loadEncodingCases();
  std::string source = "prog SECTION CODE\n";
  for (const testing::EncodingCase& encoding : cases) source += " " + encoding.source + "\n";
  source += " END\n";
  ASSERT_GT(cases.size(), 300u);
  auto run = testing::assemble(source);
  EXPECT_EQ(run.err, "");
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(hex(run.bytesAt(static_cast<long>(i) + 2)), cases[i].expected) << cases[i].source;
  }
}

}  // namespace
}  // namespace kz::assembler
