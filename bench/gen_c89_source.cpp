// Writes a C89 translation unit of about the asked number of lines for the preprocessor
// benchmark: bench.c, which includes bench_defs.h (macros, a guard) again and again, and is
// made of units with function-like macros, nested calls, conditional groups, comments,
// strings and stringized arguments.
//   gen_c89_source <lines> <directory>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* kHeader =
    "/* bench_defs.h - shared definitions */\n"
    "#ifndef BENCH_DEFS_H\n"
    "#define BENCH_DEFS_H\n"
    "#define SIZE 16\n"
    "#define LIMIT 1000\n"
    "#define OFFSET (SIZE / 2)\n"
    "#define MAX(a, b) ((a) > (b) ? (a) : (b))\n"
    "#define MIN(a, b) ((a) < (b) ? (a) : (b))\n"
    "#define CLAMP(v, lo, hi) MIN(MAX(v, lo), hi)\n"
    "#define STR(x) #x\n"
    "#define XSTR(x) STR(x)\n"
    "#define GLUE(a, b) a ## b\n"
    "#define FEATURE_B 1\n"
    "typedef unsigned char byte;\n"
    "#endif\n";

// One unit: 20 lines.
void writeUnit(std::FILE* out, int i) {
  std::fprintf(out,
               "#define FIELD_%d(x) ((x) * %d + OFFSET)\n"
               "#if %d %% 3 == 0\n"
               "static int table_%d[SIZE] = { 1, 2, 3, LIMIT };\n"
               "#elif defined(FEATURE_B) && FEATURE_B > 0\n"
               "static long table_%d[SIZE];\n"
               "#else\n"
               "static short table_%d[SIZE];\n"
               "#endif\n"
               "/* unit %d: clamps the sum of\n"
               "   two fields */\n"
               "int GLUE(function_, %d)(int a, int b)\n"
               "{\n"
               "    int r = FIELD_%d(a) + MAX(a, b) - MIN(b, a);\n"
               "    const char *name = XSTR(FIELD_%d(r));\n"
               "    if (r > LIMIT)\n"
               "        r = CLAMP(r, 0, LIMIT);\n"
               "    r += table_%d[(byte)b %% SIZE] + (int)sizeof \"unit\";\n"
               "    return r + (name[0] == 'x');\n"
               "}\n"
               "\n",
               i, i % 97 + 1, i, i, i, i, i, i, i, i, i);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gen_c89_source <lines> <directory>\n");
    return 2;
  }
  long lines = std::atol(argv[1]);
  std::string directory = argv[2];
  std::FILE* header = std::fopen((directory + "/bench_defs.h").c_str(), "w");
  std::FILE* out = std::fopen((directory + "/bench.c").c_str(), "w");
  if (!header || !out) return 1;
  std::fputs(kHeader, header);
  std::fclose(header);
  for (int unit = 0; unit * 20L < lines; ++unit) {
    if (unit % 50 == 0) std::fputs("#include \"bench_defs.h\"\n", out);
    writeUnit(out, unit);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
