#include "asm/reserved_words.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace kz::assembler {
namespace {

using RC = ReservedClass;
// clang-format off
constexpr auto reservedWords = std::to_array<ReservedWord>({
  {"$INCLUDE", RC::include, 0},
  {"SMALL", RC::memoryModel, valueOf(MemoryModelWord::small)},
  {"MEDIUM", RC::memoryModel, valueOf(MemoryModelWord::medium)},
  {"LARGE", RC::memoryModel, valueOf(MemoryModelWord::large)},
  {"STARTOF", RC::sectionFunction, startOf},
  {"SIZEOF", RC::sectionFunction, sizeOf},
  {"MODULE", RC::moduleSection, valueOf(ModuleSectionWord::module)},
  {"SECTION", RC::moduleSection, valueOf(ModuleSectionWord::section)},
  {"END", RC::moduleSection, valueOf(ModuleSectionWord::end)},
  {"PUBLIC", RC::moduleSection, valueOf(ModuleSectionWord::publicDecl)},
  {"EXTERN", RC::moduleSection, valueOf(ModuleSectionWord::externDecl)},
  {"EQU", RC::moduleSection, valueOf(ModuleSectionWord::equ)},
  {"ORG", RC::location, valueOf(LocationWord::org)},
  {"ALIGN", RC::location, valueOf(LocationWord::align)},
  {"ABS", RC::location, valueOf(LocationWord::abs)},
  {"FIMS", RC::floatPart, valueOf(FloatPart::fims)},
  {"FIMDH", RC::floatPart, valueOf(FloatPart::fimdh)},
  {"FIMDL", RC::floatPart, valueOf(FloatPart::fimdl)},
  {"FIMXH", RC::floatPart, valueOf(FloatPart::fimxh)},
  {"FIMXM", RC::floatPart, valueOf(FloatPart::fimxm)},
  {"FIMXL", RC::floatPart, valueOf(FloatPart::fimxl)},
  {"FILE", RC::debugDirective, valueOf(DebugDirective::file)},
  {"LINE", RC::debugDirective, valueOf(DebugDirective::line)},
  {"SYMBOL_A", RC::debugDirective, valueOf(DebugDirective::symbolA)},
  {"SYMBOL_B", RC::debugDirective, valueOf(DebugDirective::symbolB)},
  {"SYMBOL_N", RC::debugDirective, valueOf(DebugDirective::symbolN)},
  {"SYMBOL_T", RC::debugDirective, valueOf(DebugDirective::symbolT)},
  {"DB", RC::dataDefinition, valueOf(DataDirective::db)},
  {"DW", RC::dataDefinition, valueOf(DataDirective::dw)},
  {"DP", RC::dataDefinition, valueOf(DataDirective::dp)},
  {"DL", RC::dataDefinition, valueOf(DataDirective::dl)},
  {"DD", RC::dataDefinition, valueOf(DataDirective::dl)},
  {"DSB", RC::dataDefinition, valueOf(DataDirective::dsb)},
  {"DSW", RC::dataDefinition, valueOf(DataDirective::dsw)},
  {"DSP", RC::dataDefinition, valueOf(DataDirective::dsp)},
  {"DSL", RC::dataDefinition, valueOf(DataDirective::dsl)},
  {"DSD", RC::dataDefinition, valueOf(DataDirective::dsl)},
  {"DFB", RC::dataDefinition, valueOf(DataDirective::dfb)},
  {"DFW", RC::dataDefinition, valueOf(DataDirective::dfw)},
  {"DFP", RC::dataDefinition, valueOf(DataDirective::dfp)},
  {"DFL", RC::dataDefinition, valueOf(DataDirective::dfl)},
  {"DFD", RC::dataDefinition, valueOf(DataDirective::dfl)},
  {"FDATAS", RC::floatData, valueOf(FloatData::fdatas)},
  {"FDATAD", RC::floatData, valueOf(FloatData::fdatad)},
  {"FDATAX", RC::floatData, valueOf(FloatData::fdatax)},
  {"$TITLE", RC::control, valueOf(Control::title)},
  {"$TT", RC::control, valueOf(Control::title)},
  {"$EJECT", RC::control, valueOf(Control::eject)},
  {"$EJ", RC::control, valueOf(Control::eject)},
  {"$LIST", RC::control, valueOf(Control::list)},
  {"$LI", RC::control, valueOf(Control::list)},
  {"$NOLIST", RC::control, valueOf(Control::nolist)},
  {"$NOLI", RC::control, valueOf(Control::nolist)},
  {"$SAVE", RC::control, valueOf(Control::save)},
  {"$SA", RC::control, valueOf(Control::save)},
  {"$RESTORE", RC::control, valueOf(Control::restore)},
  {"$RS", RC::control, valueOf(Control::restore)},
  {"INCLUDE", RC::controlName, valueOf(ControlName::include)},
  {"TITLE", RC::controlName, valueOf(ControlName::title)},
  {"TT", RC::controlName, valueOf(ControlName::title)},
  {"EJECT", RC::controlName, valueOf(ControlName::eject)},
  {"EJ", RC::controlName, valueOf(ControlName::eject)},
  {"LIST", RC::controlName, valueOf(ControlName::list)},
  {"LI", RC::controlName, valueOf(ControlName::list)},
  {"NOLIST", RC::controlName, valueOf(ControlName::nolist)},
  {"NOLI", RC::controlName, valueOf(ControlName::nolist)},
  {"SAVE", RC::controlName, valueOf(ControlName::save)},
  {"SA", RC::controlName, valueOf(ControlName::save)},
  {"RESTORE", RC::controlName, valueOf(ControlName::restore)},
  {"RS", RC::controlName, valueOf(ControlName::restore)},
  {"T", RC::condition, valueOf(Condition::t)},
  {"F", RC::condition, valueOf(Condition::f)},
  {"EQ", RC::condition, valueOf(Condition::eq)},
  {"Z", RC::condition, valueOf(Condition::z)},
  {"NE", RC::condition, valueOf(Condition::ne)},
  {"NZ", RC::condition, valueOf(Condition::nz)},
  {"CS", RC::condition, valueOf(Condition::cs)},
  {"LT", RC::condition, valueOf(Condition::lt)},
  {"CC", RC::condition, valueOf(Condition::cc)},
  {"GE", RC::condition, valueOf(Condition::ge)},
  {"LE", RC::condition, valueOf(Condition::le)},
  {"GT", RC::condition, valueOf(Condition::gt)},
  {"W", RC::reg, valueOf(Register::w)},
  {"A", RC::reg, valueOf(Register::a)},
  {"B", RC::reg, valueOf(Register::b)},
  {"C", RC::reg, valueOf(Register::c)},
  {"D", RC::reg, valueOf(Register::d)},
  {"E", RC::reg, valueOf(Register::e)},
  {"H", RC::reg, valueOf(Register::h)},
  {"L", RC::reg, valueOf(Register::l)},
  {"WA", RC::reg, valueOf(Register::wa)},
  {"BC", RC::reg, valueOf(Register::bc)},
  {"DE", RC::reg, valueOf(Register::de)},
  {"HL", RC::reg, valueOf(Register::hl)},
  {"SP", RC::reg, valueOf(Register::sp)},
  {"RBS", RC::reg, valueOf(Register::rbs)},
  {"CF", RC::reg, valueOf(Register::cf)},
  {"PSW", RC::reg, valueOf(Register::psw)},
  {"PC", RC::reg, valueOf(Register::pc)},
  {"NOP", RC::mnemonic, valueOf(Mnemonic::nop)},
  {"RETI", RC::mnemonic, valueOf(Mnemonic::reti)},
  {"RET", RC::mnemonic, valueOf(Mnemonic::ret)},
  {"SWI", RC::mnemonic, valueOf(Mnemonic::swi)},
  {"RETN", RC::mnemonic, valueOf(Mnemonic::retn)},
  {"DI", RC::mnemonic, valueOf(Mnemonic::di)},
  {"EI", RC::mnemonic, valueOf(Mnemonic::ei)},
  {"SWAP", RC::mnemonic, valueOf(Mnemonic::swap)},
  {"DAA", RC::mnemonic, valueOf(Mnemonic::daa)},
  {"DAS", RC::mnemonic, valueOf(Mnemonic::das)},
  {"SHLC", RC::mnemonic, valueOf(Mnemonic::shlc)},
  {"SHRC", RC::mnemonic, valueOf(Mnemonic::shrc)},
  {"ROLC", RC::mnemonic, valueOf(Mnemonic::rolc)},
  {"RORC", RC::mnemonic, valueOf(Mnemonic::rorc)},
  {"MUL", RC::mnemonic, valueOf(Mnemonic::mul)},
  {"DIV", RC::mnemonic, valueOf(Mnemonic::div)},
  {"POP", RC::mnemonic, valueOf(Mnemonic::pop)},
  {"PUSH", RC::mnemonic, valueOf(Mnemonic::push)},
  {"CLR", RC::mnemonic, valueOf(Mnemonic::clr)},
  {"SET", RC::mnemonic, valueOf(Mnemonic::set)},
  {"CPL", RC::mnemonic, valueOf(Mnemonic::cpl)},
  {"TEST", RC::mnemonic, valueOf(Mnemonic::test)},
  {"LD", RC::mnemonic, valueOf(Mnemonic::ld)},
  {"INC", RC::mnemonic, valueOf(Mnemonic::inc)},
  {"DEC", RC::mnemonic, valueOf(Mnemonic::dec)},
  {"LDW", RC::mnemonic, valueOf(Mnemonic::ldw)},
  {"ADDC", RC::mnemonic, valueOf(Mnemonic::addc)},
  {"SUBB", RC::mnemonic, valueOf(Mnemonic::subb)},
  {"ADD", RC::mnemonic, valueOf(Mnemonic::add)},
  {"SUB", RC::mnemonic, valueOf(Mnemonic::sub)},
  {"AND", RC::mnemonic, valueOf(Mnemonic::and_)},
  {"OR", RC::mnemonic, valueOf(Mnemonic::or_)},
  {"XOR", RC::mnemonic, valueOf(Mnemonic::xor_)},
  {"CMP", RC::mnemonic, valueOf(Mnemonic::cmp)},
  {"JRS", RC::mnemonic, valueOf(Mnemonic::jrs)},
  {"JR", RC::mnemonic, valueOf(Mnemonic::jr)},
  {"CALLV", RC::mnemonic, valueOf(Mnemonic::callv)},
  {"CALLP", RC::mnemonic, valueOf(Mnemonic::callp)},
  {"CALL", RC::mnemonic, valueOf(Mnemonic::call)},
  {"JP", RC::mnemonic, valueOf(Mnemonic::jp)},
  {"ROLD", RC::mnemonic, valueOf(Mnemonic::rold)},
  {"RORD", RC::mnemonic, valueOf(Mnemonic::rord)},
  {"XCH", RC::mnemonic, valueOf(Mnemonic::xch)},
  {"MCMP", RC::mnemonic, valueOf(Mnemonic::mcmp)},
  {"J", RC::mnemonic, valueOf(Mnemonic::j)},
  {"CAL", RC::mnemonic, valueOf(Mnemonic::cal)},
});
// clang-format on

static_assert(reservedWords.size() == kReservedWordCount);

constexpr bool isUpperCaseSpelling(std::string_view word) {
  for (char c : word) {
    if (c >= 'a' && c <= 'z') return false;
  }
  return !word.empty();
}

constexpr bool spellingsAreUniqueAndUpperCase() {
  for (std::size_t i = 0; i < reservedWords.size(); ++i) {
    if (!isUpperCaseSpelling(reservedWords[i].spelling)) return false;
    for (std::size_t j = i + 1; j < reservedWords.size(); ++j) {
      if (reservedWords[i].spelling == reservedWords[j].spelling) return false;
    }
  }
  return true;
}
static_assert(spellingsAreUniqueAndUpperCase());

constexpr bool spellingsFitTheKey() {
  for (const ReservedWord& word : reservedWords) {
    if (word.spelling.size() > kLongestReservedSpelling) return false;
  }
  return true;
}
static_assert(spellingsFitTheKey());

// The keys are spread over 1024 slots by a multiplicative hash; the multiplier was chosen so
// that no two keys share a slot, and each slot holds the table position of its key.
constexpr std::uint64_t kSlotMultiplier = 0xdced0a69597ff38du;
constexpr int kSlotBits = 10;
constexpr std::uint8_t kEmptySlot = 0xFF;

constexpr std::size_t slotOf(std::uint64_t key) {
  return static_cast<std::size_t>((key * kSlotMultiplier) >> (64 - kSlotBits));
}

struct ReservedIndex {
  std::array<std::uint8_t, std::size_t{1} << kSlotBits> entryAt{};
  std::array<std::uint64_t, kReservedWordCount> key{};
  bool collision = false;
};

constexpr ReservedIndex buildIndex() {
  ReservedIndex index{};
  index.entryAt.fill(kEmptySlot);
  for (std::size_t i = 0; i < reservedWords.size(); ++i) {
    std::uint64_t key = reservedKeyOf(reservedWords[i].spelling);
    std::uint8_t& slot = index.entryAt[slotOf(key)];
    if (slot != kEmptySlot) index.collision = true;
    slot = static_cast<std::uint8_t>(i);
    index.key[i] = key;
  }
  return index;
}
constexpr ReservedIndex kIndex = buildIndex();
static_assert(!kIndex.collision && kReservedWordCount < kEmptySlot);

}  // namespace

std::span<const ReservedWord> reservedWordTable() { return reservedWords; }

std::uint8_t reservedIndexOf(ReservedClass wordClass, std::int32_t value) {
  // Values are small within a class (mnemonics count from 1000): index by class and by the
  // value's distance from the class's lowest value.
  struct Index {
    std::array<std::int32_t, 16> lowest{};
    std::array<std::array<std::uint8_t, 64>, 16> entries{};
  };
  static const Index index = [] {
    Index built;
    built.lowest.fill(std::numeric_limits<std::int32_t>::max());
    for (const ReservedWord& word : reservedWords) {
      auto& lowest = built.lowest[static_cast<std::size_t>(word.wordClass)];
      lowest = std::min(lowest, word.value);
    }
    for (std::size_t i = reservedWords.size(); i-- > 0;) {
      const ReservedWord& word = reservedWords[i];
      auto cls = static_cast<std::size_t>(word.wordClass);
      built.entries[cls][static_cast<std::size_t>(word.value - built.lowest[cls])] =
          static_cast<std::uint8_t>(i);
    }
    return built;
  }();
  auto cls = static_cast<std::size_t>(wordClass);
  return index.entries[cls][static_cast<std::size_t>(value - index.lowest[cls])];
}

const ReservedWord* lookupReservedKey(std::uint64_t key) {
  std::uint8_t entry = kIndex.entryAt[slotOf(key)];
  if (entry == kEmptySlot || kIndex.key[entry] != key) return nullptr;
  return &reservedWords[entry];
}

std::string_view reservedSpelling(ReservedClass wordClass, std::int32_t value) {
  for (const ReservedWord& entry : reservedWords) {
    if (entry.wordClass == wordClass && entry.value == value) return entry.spelling;
  }
  return {};
}

}  // namespace kz::assembler
