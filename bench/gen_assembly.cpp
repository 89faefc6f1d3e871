// Writes the same generated program in three assembler dialects, for comparing assemblers:
//   gen_assembly <dialect> <lines> > file      dialect: korvzel | sdasz80 | ca65
// Every block of ten lines holds a label, a forward and a backward jump, loads with
// immediates and memory operands, data and an equate.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Dialect {
  const char* name;
  const char* header;
  const char* footer;
  // Starts a new section every kBlocksPerSection blocks (a section holds at most 64 KiB); %d is
  // the section number. Empty when the dialect needs none.
  const char* section;
  // Ten lines of one block; %1$d is the block number, %2$d the next, %3$d the previous.
  const char* block;
};

constexpr Dialect kDialects[] = {
    {"korvzel", "\tMODULE\tbench\n", "\tEND\n", "prog%d\tSECTION CODE\n",
     "L%1$d:\tLD\tA,0x12\n"
     "\tLD\t(HL),A\n"
     "\tLD\tA,(0x40)\n"
     "\tJR\tNZ,L%2$d\n"
     "\tLD\tHL,0x1234\n"
     "\tADD\tA,(HL+4)\n"
     "\tJP\tL%3$d\n"
     "\tDB\t1,2,3,4\n"
     "E%1$d\tEQU\t%1$d*2\n"
     "\tLD\tB,E%1$d&0x7F\n"},
    {"sdasz80", "\t.module\tbench\n\t.area\t_CODE\n", "", "",
     "L%1$d:\tld\ta,#0x12\n"
     "\tld\t(hl),a\n"
     "\tld\ta,(0x40)\n"
     "\tjr\tnz,L%2$d\n"
     "\tld\thl,#0x1234\n"
     "\tadd\ta,4(ix)\n"
     "\tjp\tL%3$d\n"
     "\t.db\t1,2,3,4\n"
     "E%1$d\t=\t%1$d*2\n"
     "\tld\tb,#E%1$d&0x7F\n"},
    {"ca65", "", "", "",
     "L%1$d:\tlda\t#$12\n"
     "\tsta\t$40\n"
     "\tlda\t$1234\n"
     "\tbne\tL%2$d\n"
     "\tldx\t#$34\n"
     "\tadc\t$40,x\n"
     "\tjmp\tL%3$d\n"
     "\t.byte\t1,2,3,4\n"
     "E%1$d\t=\t%1$d*2\n"
     "\tldy\t#E%1$d&$7F\n"},
};

constexpr long kBlocksPerSection = 2000;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gen_assembly korvzel|sdasz80|ca65 <lines>\n");
    return 2;
  }
  const Dialect* dialect = nullptr;
  for (const Dialect& candidate : kDialects) {
    if (std::strcmp(candidate.name, argv[1]) == 0) dialect = &candidate;
  }
  long lines = std::atol(argv[2]);
  if (!dialect || lines < 10) {
    std::fprintf(stderr, "gen_assembly: unknown dialect or fewer than 10 lines\n");
    return 2;
  }
  std::fputs(dialect->header, stdout);
  long blocks = lines / 10;
  for (long block = 0; block < blocks; ++block) {
    if (block % kBlocksPerSection == 0 && *dialect->section) {
      std::printf(dialect->section, static_cast<int>(block / kBlocksPerSection));
    }
    long previous = block > 0 ? block - 1 : 0;
    std::printf(dialect->block, static_cast<int>(block), static_cast<int>(block + 1),
                static_cast<int>(previous));
  }
  std::printf("L%ld:\n", blocks);
  std::fputs(dialect->footer, stdout);
  return 0;
}
