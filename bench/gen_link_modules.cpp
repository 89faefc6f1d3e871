// Writes one program as many modules plus a library, in three assembler dialects, for
// comparing linkers:
//   gen_link_modules <dialect> <modules> <blocks per module> <directory>
//   dialect: korvzel | sdasz80 | ca65
// Module i calls module i+1 (the last calls the first) and library routine i % 16; every
// block of ten lines holds a label, a forward and a backward jump, an external call, data.
// The library's sixteen routines are written as lib0..lib15 beside the modules.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kLibraryRoutines = 16;

struct Dialect {
  const char* name;
  const char* suffix;
  // %1$d module, %2$d next module, %3$d library routine.
  const char* header;
  // %1$d module, %2$d block, %3$d next block, %4$d previous block, %5$d next module.
  // The footer gets %1$d module, %2$d the label after the last block.
  const char* block;
  const char* footer;
  // %1$d routine.
  const char* routine;
};

constexpr Dialect kDialects[] = {
    {"korvzel", "asm",
     "\tMODULE\tm%1$d\n\tPUBLIC\tf%1$d\n\tEXTERN\tf%2$d, lib%3$d\ncode\tSECTION "
     "CODE\nf%1$d:\tCALL\tlib%3$d\n",
     "L%1$d_%2$d:\tLD\tA,0x12\n"
     "\tLD\t(HL),A\n"
     "\tLD\tA,(0x40)\n"
     "\tJR\tNZ,L%1$d_%3$d\n"
     "\tLD\tHL,0x1234\n"
     "\tADD\tA,(HL+4)\n"
     "\tJP\tL%1$d_%4$d\n"
     "\tDB\t1,2,3,4\n"
     "\tCALL\tf%5$d\n"
     "\tLD\tB,0x7F\n",
     "L%1$d_%2$d:\tRET\n\tEND\n",
     "\tMODULE\troutine%1$d\n\tPUBLIC\tlib%1$d\ncode\tSECTION "
     "CODE\nlib%1$d:\tLD\tA,%1$d\n\tRET\n\tEND\n"},
    {"sdasz80", "s",
     "\t.module\tm%1$d\n\t.globl\tf%1$d, f%2$d, lib%3$d\n\t.area\t_CODE\nf%1$d:\tcall\tlib%3$d\n",
     "L%1$d_%2$d:\tld\ta,#0x12\n"
     "\tld\t(hl),a\n"
     "\tld\ta,(0x40)\n"
     "\tjr\tnz,L%1$d_%3$d\n"
     "\tld\thl,#0x1234\n"
     "\tadd\ta,4(ix)\n"
     "\tjp\tL%1$d_%4$d\n"
     "\t.db\t1,2,3,4\n"
     "\tcall\tf%5$d\n"
     "\tld\tb,#0x7F\n",
     "L%1$d_%2$d:\tret\n",
     "\t.module\tlib%1$d\n\t.globl\tlib%1$d\n\t.area\t_CODE\nlib%1$d:\tld\ta,#%1$d\n\tret\n"},
    {"ca65", "s",
     "\t.export\tf%1$d\n\t.import\tf%2$d, lib%3$d\n\t.segment\t\"CODE\"\nf%1$d:\tjsr\tlib%3$d\n",
     "L%1$d_%2$d:\tlda\t#$12\n"
     "\tsta\t$40\n"
     "\tlda\t$1234\n"
     "\tbne\tL%1$d_%3$d\n"
     "\tldx\t#$34\n"
     "\tadc\t$40,x\n"
     "\tjmp\tL%1$d_%4$d\n"
     "\t.byte\t1,2,3,4\n"
     "\tjsr\tf%5$d\n"
     "\tldy\t#$7F\n",
     "L%1$d_%2$d:\trts\n",
     "\t.export\tlib%1$d\n\t.segment\t\"CODE\"\nlib%1$d:\tlda\t#%1$d\n\trts\n"},
};

bool writeFile(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: gen_link_modules korvzel|sdasz80|ca65 modules blocks directory\n");
    return 2;
  }
  const Dialect* dialect = nullptr;
  for (const Dialect& candidate : kDialects) {
    if (std::strcmp(candidate.name, argv[1]) == 0) dialect = &candidate;
  }
  int modules = std::atoi(argv[2]);
  int blocks = std::atoi(argv[3]);
  if (dialect == nullptr || modules < 1 || blocks < 1) {
    std::fprintf(stderr, "gen_link_modules: bad arguments\n");
    return 2;
  }
  std::string directory = argv[4];
  char line[2048];
  for (int m = 0; m < modules; ++m) {
    std::string text;
    std::snprintf(line, sizeof line, dialect->header, m, (m + 1) % modules, m % kLibraryRoutines);
    text += line;
    for (int b = 0; b < blocks; ++b) {
      std::snprintf(line, sizeof line, dialect->block, m, b, b + 1, (b + blocks - 1) % blocks,
                    (m + 1) % modules);
      text += line;
    }
    std::snprintf(line, sizeof line, dialect->footer, m, blocks);
    text += line;
    if (!writeFile(directory + "/m" + std::to_string(m) + "." + dialect->suffix, text)) return 1;
  }
  for (int r = 0; r < kLibraryRoutines; ++r) {
    std::snprintf(line, sizeof line, dialect->routine, r);
    if (!writeFile(directory + "/lib" + std::to_string(r) + "." + dialect->suffix, line)) return 1;
  }
  return 0;
}
