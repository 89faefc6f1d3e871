// The library's __switch against the inline search that clzel writes without -O s: both run
// on a small model of the KORV-ZEL instructions they use, over the same table bytes, and
// must leave through the same label word.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "object/library.h"
#include "object/module_reader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Just the instructions of the two searches. Flags: CMP sets ZF and JF on equality; DEC
// sets ZF; the model leaves JF set after INC and DEC so that no search may rely on it.
class Machine {
 public:
  std::array<std::uint8_t, 0x10000> memory{};
  std::uint8_t a = 0, w = 0;
  std::uint16_t hl = 0, sp = 0x0800, pc = 0;
  bool zf = false, jf = false;

  void load(std::uint16_t at, const Bytes& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) memory[(at + i) & 0xFFFF] = bytes[i];
  }

  // Runs from pc until it leaves [low, high); the address it jumped to, or nothing when it
  // meets an instruction outside the model or runs too long.
  std::optional<std::uint16_t> runUntilOutside(std::uint16_t low, std::uint16_t high) {
    for (int steps = 0; steps < 100000; ++steps) {
      if (pc < low || pc >= high) return pc;
      if (!step()) return std::nullopt;
    }
    return std::nullopt;
  }

 private:
  std::uint8_t fetch() { return memory[pc++]; }
  std::uint16_t word(std::uint16_t at) const {
    return static_cast<std::uint16_t>(memory[at] | memory[(at + 1) & 0xFFFF] << 8);
  }
  void compare(std::uint8_t x, std::uint8_t y) { zf = jf = x == y; }
  void jumpRelative(std::int8_t d, std::uint16_t instruction) {
    pc = static_cast<std::uint16_t>(instruction + 2 + d);
  }
  bool condition(int code) const {
    switch (code) {
      case 0:
        return zf;
      case 1:
        return !zf;
      case 6:
        return jf;
      case 7:
        return !jf;
    }
    return false;
  }

  bool step() {
    std::uint16_t at = pc;
    std::uint8_t op = fetch();
    if (op >= 0x80 && op < 0xC0) {  // JRS T / JRS F, a 5-bit displacement
      int d = op & 0x1F;
      if (d > 15) d -= 32;
      if (condition(op < 0xA0 ? 6 : 7)) jumpRelative(static_cast<std::int8_t>(d), at);
      return true;
    }
    if (op >= 0xD0 && op <= 0xD7) {  // JR cc
      auto d = static_cast<std::int8_t>(fetch());
      if (condition(op - 0xD0)) jumpRelative(d, at);
      return true;
    }
    switch (op) {
      case 0x13:  // INC HL
        ++hl;
        jf = true;
        return true;
      case 0x17:  // LD HL,mn
        hl = word(pc);
        pc += 2;
        return true;
      case 0x69:  // DEC W
        --w;
        zf = w == 0;
        jf = true;
        return true;
      case 0xFC: {  // CALL mn
        std::uint16_t target = word(pc);
        std::uint16_t back = pc + 2;
        memory[--sp] = static_cast<std::uint8_t>(back >> 8);
        memory[--sp] = static_cast<std::uint8_t>(back);
        pc = target;
        return true;
      }
      case 0xEB:  // POP HL
        if (fetch() != 0x06) return false;
        hl = word(sp);
        sp += 2;
        return true;
      case 0xE9:  // CMP W,n
        if (fetch() != 0x77) return false;
        compare(w, fetch());
        return true;
      case 0xE6:  // (HL+) prefix: LD W,(HL+) or CMP A,(HL+)
        switch (fetch()) {
          case 0x59:
            w = memory[hl++];
            return true;
          case 0x7F:
            compare(a, memory[hl++]);
            return true;
        }
        return false;
      case 0xE3:  // (HL) prefix: JP (HL), through the word at HL
        if (fetch() != 0xFE) return false;
        pc = word(hl);
        return true;
    }
    return false;
  }
};

// The routine's bytes as the library holds them; it must be one piece of code without
// relocations, so it runs wherever the linker puts it.
Bytes switchRoutine() {
  std::ifstream in(KZ_LZEL_LIB, std::ios::binary);
  Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto library = kz::object::readLibrary(file);
  if (!library.library) return {};
  auto member = library.library->memberOfSymbol.find("__switch");
  if (member == library.library->memberOfSymbol.end()) return {};
  auto read = kz::object::readModule(file, library.library->members[member->second].offset);
  if (!read.module || read.module->sections.size() != 1) return {};
  Bytes code(read.module->sections[0].size);
  for (const auto& load : read.module->loads) {
    if (load.relocation >= 0 || load.offset + load.size > code.size()) return {};
    std::copy_n(read.module->bytes.begin() + static_cast<std::ptrdiff_t>(load.bytesAt), load.size,
                code.begin() + static_cast<std::ptrdiff_t>(load.offset));
  }
  return code;
}

// clzel's inline search, assembled by hand: LD HL,table; LD W,(HL+); loop: CMP A,(HL+);
// J T,found (JRS T +4); INC HL; INC HL; DEC W; J NZ,loop (JR NZ -8); found: J (HL).
Bytes inlineSearch(std::uint16_t table) {
  return {0x17,
          static_cast<std::uint8_t>(table),
          static_cast<std::uint8_t>(table >> 8),
          0xE6,
          0x59,
          0xE6,
          0x7F,
          0x84,
          0x13,
          0x13,
          0x69,
          0xD1,
          0xF8,
          0xE3,
          0xFE};
}

struct Entry {
  std::uint8_t value;
  std::uint16_t label;
};

Bytes tableBytes(const std::vector<Entry>& entries, std::uint16_t defaultLabel) {
  Bytes bytes{static_cast<std::uint8_t>(entries.size())};
  for (const Entry& e : entries)
    bytes.insert(bytes.end(), {e.value, static_cast<std::uint8_t>(e.label),
                               static_cast<std::uint8_t>(e.label >> 8)});
  bytes.insert(bytes.end(), {static_cast<std::uint8_t>(defaultLabel),
                             static_cast<std::uint8_t>(defaultLabel >> 8)});
  return bytes;
}

constexpr std::uint16_t kCaller = 0x8000;
constexpr std::uint16_t kRoutine = 0x9000;
constexpr std::uint16_t kInline = 0xA000;
constexpr std::uint16_t kInlineTable = 0xA100;
constexpr std::uint16_t kDefault = 0xC000;

std::uint16_t labelOf(std::size_t position) {
  return static_cast<std::uint16_t>(0xB000 + 4 * position);
}

// "call __switch" with the table after it, as clzel writes it under -O s.
std::optional<std::uint16_t> viaRoutine(const Bytes& routine, const Bytes& table, std::uint8_t a) {
  Machine m;
  m.load(kRoutine, routine);
  m.load(kCaller, {0xFC, kRoutine & 0xFF, kRoutine >> 8});
  m.load(kCaller + 3, table);
  m.a = a;
  m.pc = kCaller;
  auto end = static_cast<std::uint16_t>(kRoutine + routine.size());
  std::optional<std::uint16_t> target = m.runUntilOutside(kCaller, kCaller + 3);
  if (target != kRoutine) return std::nullopt;
  target = m.runUntilOutside(kRoutine, end);
  if (m.sp != 0x0800) return std::nullopt;  // the return address is off the stack
  return target;
}

std::optional<std::uint16_t> viaInline(const Bytes& table, std::uint8_t a) {
  Machine m;
  Bytes code = inlineSearch(kInlineTable);
  m.load(kInline, code);
  m.load(kInlineTable, table);
  m.a = a;
  m.pc = kInline;
  return m.runUntilOutside(kInline, static_cast<std::uint16_t>(kInline + code.size()));
}

class SwitchRoutine : public ::testing::Test {
 protected:
  void SetUp() override {
    routine_ = switchRoutine();
    ASSERT_FALSE(routine_.empty()) << "no relocation-free __switch in " << KZ_LZEL_LIB;
  }
  // Every selector value reaches the entry's label or the default, both ways.
  void expectSameSearch(const std::vector<Entry>& entries) {
    Bytes table = tableBytes(entries, kDefault);
    for (int a = 0; a < 256; ++a) {
      std::uint16_t expected = kDefault;
      for (const Entry& e : entries) {
        if (e.value == a) {
          expected = e.label;
          break;
        }
      }
      auto selector = static_cast<std::uint8_t>(a);
      EXPECT_EQ(viaRoutine(routine_, table, selector), expected) << entries.size() << " " << a;
      EXPECT_EQ(viaInline(table, selector), expected) << entries.size() << " " << a;
    }
  }
  Bytes routine_;
};

TEST_F(SwitchRoutine, FindsTheCaseOrTheDefaultAsTheInlineSearchDoes) {
  expectSameSearch({{0, labelOf(0)}});
  expectSameSearch({{255, labelOf(0)}});
  expectSameSearch({{3, labelOf(0)}, {9, labelOf(1)}, {0x80, labelOf(2)}});
  // The largest table: 255 different values, every value but 0x5A, in a shuffled order so
  // that the first and last entries are neither the smallest nor the largest values.
  std::vector<Entry> full;
  for (int i = 0; i < 256; ++i) {
    auto value = static_cast<std::uint8_t>((i * 37 + 11) & 0xFF);
    if (value != 0x5A) full.push_back({value, labelOf(full.size())});
  }
  ASSERT_EQ(full.size(), 255u);
  expectSameSearch(full);
}

// Without cases the inline search would read past the table; the routine takes the default.
TEST_F(SwitchRoutine, EmptyTableGoesToTheDefault) {
  Bytes table = tableBytes({}, kDefault);
  for (int a : {0, 0xC0, 255})
    EXPECT_EQ(viaRoutine(routine_, table, static_cast<std::uint8_t>(a)), kDefault);
}

}  // namespace
