// Writes a C89 program of about N lines for the front-end benchmark: groups of a typedef'd
// structure, an enumeration and initialised static tables, followed by functions with loops,
// pointer walks over the tables, switches on the enumeration, calls to the functions before
// them and structure updates. It needs no header, and gcc -std=c89 -pedantic-errors and tcc
// accept it without a message. Deterministic for a given line count.
//   gen_c89_program LINES
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "generated_text.h"

namespace {

class ProgramWriter : kz::bench::GeneratedText {
 public:
  ProgramWriter() : GeneratedText(2024) {}

  std::string write(std::size_t lines) {
    text_.reserve(lines * 28);
    prologue();
    std::size_t function = 0;
    while (count_ + kFunctionLines + kGroupLines < lines) {
      if (function % kFunctionsPerGroup == 0) group(function / kFunctionsPerGroup);
      body(function++);
    }
    epilogue(function);
    return std::move(text_);
  }

 private:
  static constexpr std::size_t kFunctionLines = 40;  // at most
  static constexpr std::size_t kGroupLines = 24;     // at most
  static constexpr std::size_t kFunctionsPerGroup = 12;

  void prologue() {
    line("/* generated front-end benchmark program */");
    line("typedef unsigned char byte;");
    line("typedef unsigned int word;");
    line("struct link { struct link *next; int value; };");
    line("static struct link chain[16];");
    line("static long grand_total;");
    line("");
  }

  // Each group has its own record type, enumeration and tables.
  void group(std::size_t n) {
    std::string id = std::to_string(n);
    group_ = id;
    line("/* group " + id + " */");
    line("enum mode" + id + " { IDLE" + id + ", RUN" + id + " = " + number(8) + " + 1, STOP" + id +
         ", FAULT" + id + " = 20 };");
    line("typedef struct record" + id + " {");
    line("    byte kind;");
    line("    int count;");
    line("    long sum;");
    line("    enum mode" + id + " mode;");
    line("    const char *name;");
    line("    unsigned int flags : 4;");
    line("    unsigned int level : 3;");
    line("} record" + id + ";");
    std::string values;
    for (int i = 0; i < 10; ++i) {
      if (i > 0) values += ", ";
      values += number(1000);
    }
    line("static const int table" + id + "[10] = { " + values + " };");
    line("static byte bytes" + id + "[] = { 0x" + number(9) + "F, 0" + number(8) + ", '" +
         static_cast<char>('a' + next() % 26) + "', " + number(256) + " };");
    line("static record" + id + " records" + id + "[3] = {");
    line("    { 1, " + number(100) + ", " + number(70000) + "L, RUN" + id + ", \"first\", 3, 1 },");
    line("    { 2, " + number(100) + ", 0L, STOP" + id + ", \"second\" },");
    line("    { 3 }");
    line("};");
    line("");
  }

  void body(std::size_t n) {
    std::string name = "function" + std::to_string(n);
    std::string id = group_;
    std::string table = "table" + id, records = "records" + id;
    line("static long " + name + "(int limit, record" + id + " *r)");
    line("{");
    line("    const int *p;");
    line("    int i, acc = " + number(50) + ";");
    line("    long total = 0;");
    line("    struct link *l;");
    line("    for (p = " + table + "; p < " + table + " + 10; p++)");
    line("        acc += *p & 0x" + std::to_string(next() % 7 + 1) + "F;");
    line("    for (i = 0; i < limit && i < " + number(40) + " + 1; i++) {");
    line("        total += (long)acc * i;");
    line("        if (total > " + std::to_string(next() % 30000 + 1000) + "L)");
    line("            break;");
    line("    }");
    line("    switch (r->mode) {");
    line("    case IDLE" + id + ":");
    line("        r->count++;");
    line("        /* fall through */");
    line("    case RUN" + id + ":");
    line("        r->sum += total;");
    line("        break;");
    line("    case FAULT" + id + ":");
    line("        r->flags = " + number(16) + ";");
    line("        break;");
    line("    default:");
    line("        r->level = (unsigned int)(acc & 7);");
    line("    }");
    line("    for (l = chain; l != 0 && l < chain + 16; l = l->next)");
    line("        acc ^= l->value;");
    line("    i = 0;");
    line("    do {");
    line("        acc = acc > 100 ? acc - bytes" + id + "[i % 4] : acc + " + number(9) + ";");
    line("    } while (++i < " + std::to_string(next() % 6 + 1) + ");");
    if (n == 0) {
      line("    total += (long)(r->kind + " + records + "[1].count);");
    } else {
      std::size_t callee = next() % n;
      line("    total += function" + std::to_string(callee) + "(limit - 1, &records" +
           std::to_string(callee / kFunctionsPerGroup) + "[" + number(3) + "]) / 2;");
    }
    line("    r->name = acc % 2 ? \"odd\" : \"even\";");
    line("    return total + acc + (long)sizeof(record" + id + ");");
    line("}");
    line("");
  }

  void epilogue(std::size_t functions) {
    line("int main(void)");
    line("{");
    line("    int i;");
    line("    for (i = 0; i < 15; i++) {");
    line("        chain[i].next = &chain[i + 1];");
    line("        chain[i].value = i * 3;");
    line("    }");
    if (functions > 0) {
      line("    grand_total = function" + std::to_string(functions - 1) + "(3, &records" + group_ +
           "[0]);");
    }
    line("    return grand_total > 0 ? 0 : 1;");
    line("}");
  }

  std::string group_;
};

}  // namespace

int main(int argc, char** argv) {
  long lines = argc == 2 ? std::atol(argv[1]) : 0;
  if (lines <= 0) {
    std::fprintf(stderr, "usage: gen_c89_program LINES\n");
    return 2;
  }
  std::string text = ProgramWriter().write(static_cast<std::size_t>(lines));
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? 0 : 1;
}
