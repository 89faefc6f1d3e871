// The object file as a linker sees it: modules are assembled in-process, then loaded by a
// small loader that places every record of the data part and evaluates every relocation
// item with chosen section bases and external values. A relocatable module linked that way
// must give the same bytes as the same program assembled with absolute values.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "asm/object_data.h"
#include "object/cursor.h"

namespace kz::assembler {
namespace {

using object::Function;
using object::Term;
using object::TermKind;
using Bytes = std::vector<std::uint8_t>;

struct ObjectRun {
  int status = 0;
  std::string err;
  std::optional<Bytes> module;  // nothing when no file was left
};

ObjectRun assembleObject(const std::string& source, std::vector<std::string> arguments = {}) {
  auto dir = std::filesystem::temp_directory_path() / ("kzobj-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto path = dir / "t.asm";
  auto object = dir / "t.rel";
  std::ofstream(path, std::ios::binary) << source;
  std::vector<std::string> argv{"asmzel", "-$", "-o", object.string()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  argv.push_back(path.string());
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ObjectRun run;
  {
    Assembler assembler(
        ProgramEnvironment(argv, {"TMP=" + dir.string(), "SOURCE_DATE_EPOCH=1700000000"}),
        Console{out, err});
    run.status = assembler.run();
  }
  std::rewind(err);
  for (int c; (c = std::fgetc(err)) != EOF;) run.err += static_cast<char>(c);
  std::fclose(out);
  std::fclose(err);
  if (std::ifstream in{object, std::ios::binary}) {
    run.module = Bytes(std::istreambuf_iterator<char>(in), {});
  }
  std::filesystem::remove_all(dir);
  return run;
}

struct Binding {
  std::map<std::uint64_t, std::int64_t> sectionBase;  // R n
  std::map<std::uint64_t, std::int64_t> external;     // X n
};

struct Load {
  std::uint8_t code;
  std::uint64_t maus;
};

// What the loader made of a module's data part.
struct Image {
  std::map<std::int64_t, std::uint8_t> bytes;  // by address
  std::vector<Load> loads;                     // ED/E4 records, with the MAUs each placed
  std::vector<std::string> problems;           // @INBLOCK failures, unreadable records
  std::uint64_t dataPart = 0;
  std::uint64_t partPointer[8] = {};
  std::optional<std::uint8_t> status;
};

std::optional<std::int64_t> evaluate(const object::Expression& terms, const Binding& binding,
                                     std::int64_t loadPointer, std::vector<std::string>& problems) {
  std::vector<std::int64_t> stack;
  auto pop = [&] {
    std::int64_t value = stack.empty() ? 0 : stack.back();
    if (!stack.empty()) stack.pop_back();
    return value;
  };
  for (const Term& term : terms) {
    switch (term.kind) {
      case TermKind::number:
        stack.push_back(term.negative ? -static_cast<std::int64_t>(term.value)
                                      : static_cast<std::int64_t>(term.value));
        break;
      case TermKind::variable:
        if (term.letter == 'R')
          stack.push_back(binding.sectionBase.at(term.value));
        else if (term.letter == 'X')
          stack.push_back(binding.external.at(term.value));
        else if (term.letter == 'P')
          stack.push_back(loadPointer);
        else
          return std::nullopt;
        break;
      case TermKind::escape: {
        std::int64_t size = pop(), base = pop(), value = pop();
        if (term.value != 4) return std::nullopt;
        if (value < base || value >= base + size)
          problems.push_back("out of block: " + std::to_string(value));
        stack.push_back(value);
        break;
      }
      case TermKind::function: {
        auto code = static_cast<Function>(term.value);
        if (code == Function::negate) {
          stack.push_back(-pop());
          break;
        }
        if (code == Function::bitNot) {
          stack.push_back(~pop());
          break;
        }
        std::int64_t b = pop(), a = pop();
        switch (code) {
          case Function::add:
            stack.push_back(a + b);
            break;
          case Function::subtract:
            stack.push_back(a - b);
            break;
          case Function::multiply:
            stack.push_back(a * b);
            break;
          case Function::divide:
            stack.push_back(b == 0 ? 0 : a / b);
            break;
          case Function::bitAnd:
            stack.push_back(a & b);
            break;
          case Function::bitOr:
            stack.push_back(a | b);
            break;
          default:
            return std::nullopt;
        }
        break;
      }
    }
  }
  if (stack.size() != 1) return std::nullopt;
  return stack.back();
}

// Reads the header, then places every load of the data part at its address.
Image load(const Bytes& module, const Binding& binding) {
  Image image;
  object::Cursor cursor(module);
  cursor.byte("MB");
  cursor.name("processor");
  cursor.name("module");
  cursor.byte("AD");
  cursor.number("bits");
  cursor.number("MAUs");
  cursor.letter("order");
  for (auto& pointer : image.partPointer) {
    cursor.bytes(3, "E2 D7 k");
    pointer = cursor.number("offset").value_or(object::Number{}).value;
  }
  for (std::size_t at = 0; at + 6 <= module.size(); ++at) {
    if (module[at] == 0xF1 && module[at + 1] == 0xCE && module[at + 2] == 0x21 &&
        module[at + 4] == 0x34) {
      image.status = module[at + 5];
      break;
    }
  }
  image.dataPart = image.partPointer[5];
  if (image.dataPart == 0) return image;
  object::Cursor data(module, image.dataPart);
  std::int64_t pointer = 0;
  std::uint64_t repeat = 1;
  while (!data.failed() && !data.atEnd()) {
    std::uint8_t code = *data.byte("record");
    if (code == 0xE1) break;
    if (code == 0xE2) {
      data.letter("P");
      data.number("section");
      auto value = data.expression("address");
      pointer = value ? evaluate(*value, binding, 0, image.problems).value_or(-1) : -1;
      continue;
    }
    if (code == 0xF7) {
      repeat = data.number("count")->value;
      continue;
    }
    std::uint64_t placed = 0;
    for (std::uint64_t copy = 0; copy < repeat; ++copy) {
      object::Cursor items = data;
      placed = 0;
      while (items.nextStartsNumber() || items.nextIs(object::ElementKind::bracket)) {
        if (items.nextStartsNumber()) {
          auto run = items.bytes(items.number("count")->value, "bytes");
          for (std::uint8_t byte : *run) image.bytes[pointer++] = byte;
          placed += run->size();
          continue;
        }
        auto item = items.relocationItem();
        std::uint64_t width = item->widthInMaus.value_or(2);
        auto value = evaluate(item->value, binding, pointer, image.problems);
        if (!value) image.problems.push_back("unreadable expression");
        for (std::uint64_t i = 0; i < width; ++i)
          image.bytes[pointer++] = static_cast<std::uint8_t>(value.value_or(0) >> (8 * i));
        placed += width;
      }
      if (copy + 1 == repeat) data = items;
    }
    image.loads.push_back({code, placed});
    repeat = 1;
  }
  if (data.failed()) image.problems.push_back(data.failure()->reason);
  return image;
}

Bytes bytesAt(const Image& image, std::int64_t from, std::int64_t count) {
  Bytes result;
  for (std::int64_t at = from; at < from + count; ++at) {
    auto found = image.bytes.find(at);
    result.push_back(found == image.bytes.end() ? 0xEE : found->second);
  }
  return result;
}

// Every field form the linker completes, with externals, against the same instructions with
// the values known: linked, both give the same bytes.
TEST(ObjectLinking, ExternalFieldsLinkToTheAbsoluteEncoding) {
  const std::string body =
      "code SECTION CODE\n"
      " LD A,v8\n LD (v8),A\n LD HL,w16\n SET (0x20).bit\n CLR (v8).bit\n LD CF,(HL).bit\n"
      " XOR CF,(HL).bit\n LD RBS,bank\n CALLV vec\n CALLP page\n CALL w16\n"
      " DB v8\n DW w16,w16+3,w16*2\n DP w16\n DL w16-1\n DFW 3,w16\n END\n";
  auto relocatable = assembleObject(" EXTERN SMALL v8,bit,bank\n EXTERN vec,page,w16\n" + body);
  auto absolute = assembleObject(
      "v8 EQU 0x12\nbit EQU 5\nbank EQU 9\nvec EQU 0xFFC6\npage EQU 0xFF34\nw16 EQU 0x4321\n" +
      body);
  ASSERT_TRUE(relocatable.module && absolute.module) << relocatable.err << absolute.err;
  EXPECT_EQ(relocatable.err, "");
  // Externals are numbered in the order the code first uses them.
  Binding binding{{{1, 0x300}}, {{1, 0x12}, {2, 0x4321}, {3, 5}, {4, 9}, {5, 0xFFC6}, {6, 0xFF34}}};
  Image linked = load(*relocatable.module, binding);
  Image reference = load(*absolute.module, Binding{{{1, 0}}, {}});
  EXPECT_TRUE(linked.problems.empty());
  ASSERT_FALSE(reference.bytes.empty());
  std::map<std::int64_t, std::uint8_t> shifted;
  for (auto [address, byte] : reference.bytes) shifted[address + 0x300] = byte;
  EXPECT_EQ(linked.bytes, shifted);
}

// A JR/J displacement byte lies at instruction + 1: the linker measures from there (P), so
// the module subtracts 1 more, not 2; JRS merges its field into the opcode, at + 0.
TEST(ObjectLinking, RelativeFieldsMeasureFromTheInstructionPlusTwo) {
  auto run = assembleObject(
      " EXTERN far\ncode SECTION CODE\n NOP\n JR far\n JR NZ,far\n JRS T,far\n JRS F,far\n"
      " JR other\nrom SECTION CODE\nother: NOP\n END\n");
  ASSERT_TRUE(run.module) << run.err;
  for (std::int64_t far : {0x1F0, 0x210, 0x27F}) {
    Binding binding{{{1, 0x200}, {2, 0x280}}, {{1, far}}};
    Image image = load(*run.module, binding);
    auto displacement = [&](std::int64_t instruction, std::int64_t target) {
      return static_cast<std::uint8_t>(target - (instruction + 2));
    };
    EXPECT_EQ(bytesAt(image, 0x201, 2), (Bytes{0xFB, displacement(0x201, far)}));
    EXPECT_EQ(bytesAt(image, 0x203, 2), (Bytes{0xD1, displacement(0x203, far)}));
    EXPECT_EQ(bytesAt(image, 0x207, 2), (Bytes{0xFB, displacement(0x207, 0x280)}));
    bool inShortReach = far - (0x205 + 2) >= -16 && far - (0x206 + 2) <= 15;
    EXPECT_EQ(image.problems.empty(), inShortReach) << far;
    if (inShortReach) {
      EXPECT_EQ(bytesAt(image, 0x205, 2),
                (Bytes{static_cast<std::uint8_t>(0x80 + (displacement(0x205, far) & 0x1F)),
                       static_cast<std::uint8_t>(0xA0 + (displacement(0x206, far) & 0x1F))}));
    }
  }
}

// Labels of other sections, linked at the addresses of absolute sections, give the module
// assembled with those sections absolute.
TEST(ObjectLinking, SectionRelativeValuesLinkToTheAbsoluteModule) {
  auto program = [](const std::string& codeAt, const std::string& romAt) {
    return "code SECTION CODE" + codeAt +
           "\nstart: LD HL,table\n J far\n JP table+1\n DW $, tail - start\n"
           "far: CALL start\nrom SECTION ROMDATA" +
           romAt + "\ntable DW start, far, table\ntail DB 0\n END\n";
  };
  auto relocatable = assembleObject(program("", ""));
  auto absolute = assembleObject(program(" ABS=0x1000", " ABS=0x2000"));
  ASSERT_TRUE(relocatable.module && absolute.module);
  Image linked = load(*relocatable.module, Binding{{{1, 0x1000}, {2, 0x2000}}, {}});
  Image reference = load(*absolute.module, Binding{});
  EXPECT_TRUE(linked.problems.empty());
  EXPECT_EQ(linked.bytes, reference.bytes);
  // Absolute sections load with ED records, relocatable ones with E4.
  for (const Load& each : linked.loads) EXPECT_EQ(each.code, 0xE4);
  for (const Load& each : reference.loads) EXPECT_EQ(each.code, 0xED);
}

TEST(ObjectData, ConstantRunsAreSplitAt127Bytes) {
  std::string source = "code SECTION CODE\n";
  for (int line = 0; line < 30; ++line) source += " DB 1,2,3,4,5,6,7,8,9,10\n";
  source += " END\n";
  auto run = assembleObject(source);
  ASSERT_TRUE(run.module);
  Image image = load(*run.module, Binding{{{1, 0}}, {}});
  ASSERT_EQ(image.loads.size(), 3u);
  EXPECT_EQ(image.loads[0].maus, 127u);
  EXPECT_EQ(image.loads[1].maus, 127u);
  EXPECT_EQ(image.loads[2].maus, 46u);
  EXPECT_EQ(image.bytes.size(), 300u);
  EXPECT_EQ(image.bytes.at(299), 10);
}

// A relocation record closes the constant run before it; the run after it starts afresh.
TEST(ObjectData, RelocationRecordsInterruptConstantRunsInOrder) {
  std::string source = " EXTERN ext\ncode SECTION CODE\n";
  for (int line = 0; line < 20; ++line) source += " DB 1,2,3,4,5,6,7,8,9,10\n";
  source += " DW ext+1\n DB 11,12,13\n DW 0x4443,ext\n DB 14\n END\n";
  auto run = assembleObject(source);
  ASSERT_TRUE(run.module) << run.err;
  Image image = load(*run.module, Binding{{{1, 0x100}}, {{1, 0x2000}}});
  EXPECT_TRUE(image.problems.empty());
  std::vector<std::uint64_t> placed;
  for (const Load& each : image.loads) placed.push_back(each.maus);
  EXPECT_EQ(placed, (std::vector<std::uint64_t>{127, 73, 2, 5, 2, 1}));
  EXPECT_EQ(bytesAt(image, 0x100 + 198, 12),
            (Bytes{9, 10, 0x01, 0x20, 11, 12, 13, 0x43, 0x44, 0x00, 0x20, 14}));
}

// Skipped bytes: written with the fill value of the section's kind, long runs by repeat;
// without a fill value they are left out and the load pointer moves past them.
TEST(ObjectData, FillsAndGaps) {
  const std::string source =
      "code SECTION CODE\n NOP\n DSB 4\n NOP\n ALIGN 32\n NOP\n ORG 0x30\n NOP\n"
      "vars SECTION DATA\n DSW 2\nrom SECTION ROMDATA\n DB 1\n DSB 20\n DB 2\n END\n";
  Binding binding{{{1, 0x100}, {2, 0x200}, {3, 0x300}}, {}};
  auto filled = assembleObject(source, {"-Fc7", "-Fd"});
  ASSERT_TRUE(filled.module);
  Image image = load(*filled.module, binding);
  EXPECT_EQ(bytesAt(image, 0x100, 6), (Bytes{0x00, 7, 7, 7, 7, 0x00}));
  EXPECT_EQ(bytesAt(image, 0x106, 26), Bytes(26, 7));  // ALIGN: a repeat record
  EXPECT_EQ(bytesAt(image, 0x120, 18),
            (Bytes{0x00, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 0x00, 0xEE}));
  EXPECT_EQ(bytesAt(image, 0x200, 4), Bytes(4, 0xFF));
  EXPECT_EQ(bytesAt(image, 0x300, 22),
            (Bytes{1,    0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE,
                   0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 2}));

  auto plain = assembleObject(source);
  ASSERT_TRUE(plain.module);
  Image gaps = load(*plain.module, binding);
  EXPECT_EQ(gaps.bytes.size(), 6u);  // the four NOPs and the two bytes of ROM data
  EXPECT_EQ(gaps.bytes.at(0x130), 0x00);
}

TEST(ObjectModule, StatusAndPartsFollowTheRun) {
  auto empty = assembleObject(" END\n");
  ASSERT_TRUE(empty.module);
  Image parts = load(*empty.module, Binding{});
  EXPECT_EQ(parts.partPointer[2], 0u);  // no sections
  EXPECT_EQ(parts.partPointer[3], 0u);  // no publics or externals
  EXPECT_NE(parts.partPointer[4], 0u);  // the source-module block is always there
  EXPECT_EQ(parts.partPointer[5], 0u);  // no data
  EXPECT_EQ(parts.partPointer[6], parts.partPointer[7]);
  EXPECT_EQ(empty.module->at(parts.partPointer[7]), 0xE1);
  EXPECT_EQ(parts.partPointer[7] + 1, empty.module->size());
  EXPECT_EQ(parts.status, 0);

  auto warned = assembleObject("code SECTION CODE\n DB 300\n END\n");
  EXPECT_EQ(warned.status, 0);
  ASSERT_TRUE(warned.module);
  EXPECT_EQ(load(*warned.module, Binding{{{1, 0}}, {}}).status, 1);

  const std::string failing = "code SECTION CODE\n LD A,nowhere\n END\n";
  auto kept = assembleObject(failing, {"-zr"});
  EXPECT_EQ(kept.status, 16);
  ASSERT_TRUE(kept.module);
  EXPECT_EQ(load(*kept.module, Binding{{{1, 0}}, {}}).status, 2);
  auto removed = assembleObject(failing);
  EXPECT_EQ(removed.status, 16);
  EXPECT_FALSE(removed.module);
}

class RecordingReporter final : public Reporter {
 public:
  void reportError(Message message, std::string_view) override {
    int number = messageNumber(message);
    errors.push_back(number);
  }
  void reportWarning(Message, std::string_view) override {}
  std::vector<int> errors;
};

std::vector<Bytes> loggedRecords(const RecordLog& log) {
  std::vector<Bytes> records;
  log.forEach([&](std::span<const std::uint8_t> record) {
    records.emplace_back(record.begin(), record.end());
  });
  return records;
}

Bytes numbered(std::size_t size, std::size_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed * 31 + i);
  return bytes;
}

// Records come back whole and in order, with one- and two-byte lengths, wherever the chunk
// boundaries fall.
TEST(RecordLog, RecordsComeBackInOrderAcrossChunks) {
  RecordLog log;
  EXPECT_TRUE(log.empty());
  std::vector<Bytes> written;
  // 127 bytes behind a one-byte length: a chunk holds a whole number of them, one more
  // begins the next chunk.
  for (std::size_t i = 0; i <= RecordLog::kChunkSize / 128; ++i) {
    written.push_back(numbered(127, i));
  }
  for (std::size_t i = 0; written.size() < 5000; ++i) written.push_back(numbered(i % 300, i));
  for (const Bytes& record : written) log.add(record);
  EXPECT_FALSE(log.empty());
  EXPECT_EQ(log.size(), written.size());
  EXPECT_EQ(loggedRecords(log), written);
}

// Lengths of 16384 bytes and more take three bytes in front of the record.
TEST(RecordLog, LargeRecordsStayWhole) {
  const std::size_t chunk = RecordLog::kChunkSize;
  std::vector<Bytes> written = {
      numbered(100, 1),
      numbered(chunk - 103, 2),  // one byte more than the first chunk has left
      numbered(98, 3),           // fills the second chunk but for one byte
      numbered(chunk + 1000, 4),
      numbered(chunk, 5),
      numbered(chunk - 3, 6),  // fills a chunk exactly
      numbered(0, 7)};
  RecordLog log;
  for (const Bytes& record : written) log.add(record);
  EXPECT_EQ(log.size(), written.size());
  EXPECT_EQ(loggedRecords(log), written);
}

// What a failed field leaves behind must be nothing at all, even when part of its expression
// was already written: the record under construction goes on as it was.
TEST(ObjectExpressions, UnwritableFieldsLeaveTheRecordAsItWas) {
  RecordingReporter reporter;
  SymbolTable symbols(reporter);
  SectionId code = symbols.defineSection("code", Pass::first).section;
  ObjectIndices indices;
  ExpressionBuilder expressions(symbols, indices);
  auto external = std::make_shared<ComplexTerm>();
  external->op = TermOp::external;
  external->symbol = 0;
  auto damaged = std::make_shared<ComplexTerm>();  // + without its second operand
  damaged->op = TermOp::add;
  damaged->left = external;
  exprValue floating;
  floating.kind = ValueKind::floating;
  exprValue brokenTree;
  brokenTree.kind = ValueKind::complex;
  brokenTree.tree = damaged;
  exprValue writable;
  writable.kind = ValueKind::relocatable;
  writable.section = code;
  writable.value = 0x40;
  const Bytes start{0xE4, 0x55};
  for (FieldUse use :
       {FieldUse::value, FieldUse::bitNumber, FieldUse::bankNumber, FieldUse::callVector,
        FieldUse::callPage, FieldUse::shortRelative, FieldUse::relative}) {
    FieldRecord field;
    field.use = use;
    field.offset = 1;
    field.widthCode = 2;
    field.baseOpcode = 0x80;
    for (const exprValue& value : {floating, brokenTree}) {
      field.value = value;
      Bytes out = start;
      EXPECT_FALSE(appendFieldRelocation(out, field, code, expressions));
      EXPECT_EQ(out, start) << static_cast<int>(use);
      EXPECT_FALSE(expressions.value(out, value));
      EXPECT_EQ(out, start);
    }
    field.value = writable;
    Bytes out = start;
    auto width = appendFieldRelocation(out, field, code, expressions);
    ASSERT_TRUE(width);
    EXPECT_EQ(*width, use == FieldUse::value ? 2u : 1u);
    ASSERT_TRUE(std::equal(start.begin(), start.end(), out.begin()));
    object::Cursor cursor(out, start.size());
    auto item = cursor.relocationItem();
    ASSERT_TRUE(item) << cursor.failure()->reason;
    EXPECT_TRUE(cursor.atEnd());
    EXPECT_EQ(item->widthInMaus, std::optional<std::uint64_t>{*width});
    EXPECT_EQ(item->check, use == FieldUse::relative ? object::FieldCheck::signedField
                                                     : object::FieldCheck::unsignedField);
  }
}

bool contains(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
         haystack.end();
}

// Repeated data is data: constant records of at most 127 bytes, which the next data joins.
// The repeat record is only for the fill bytes of -F.
TEST(ObjectData, RepeatedDataIsConstantRecords) {
  auto run = assembleObject("code SECTION CODE\n DFB 127,0x5A\n DB 1\n DFB 300,7\n END\n");
  ASSERT_TRUE(run.module) << run.err;
  Bytes first{0xE4, 0x7F};
  first.insert(first.end(), 127, 0x5A);
  EXPECT_TRUE(contains(*run.module, first));
  EXPECT_FALSE(contains(*run.module, {0xF7, 0x7F}));
  Image image = load(*run.module, Binding{{{1, 0}}, {}});
  EXPECT_EQ(image.bytes.size(), 428u);
  EXPECT_EQ(bytesAt(image, 126, 3), (Bytes{0x5A, 1, 7}));
  for (const Load& each : image.loads) EXPECT_LE(each.maus, 127u);
}

// A public's value in a relocatable section is R index offset +, offset 0 included; the load
// pointer keeps its short form E2 D0 index D2 index.
TEST(ObjectData, PublicValuesAlwaysCarryTheirOffset) {
  auto run =
      assembleObject(" PUBLIC first, second\ncode SECTION CODE\nfirst: NOP\nsecond: NOP\n END\n");
  ASSERT_TRUE(run.module) << run.err;
  for (std::uint8_t index : {0x22, 0x23}) {
    bool atZero = contains(*run.module, {0xE2, 0xC9, index, 0xD2, 0x01, 0x00, 0xA5});
    bool atOne = contains(*run.module, {0xE2, 0xC9, index, 0xD2, 0x01, 0x01, 0xA5});
    EXPECT_TRUE(atZero != atOne) << int{index};
  }
  EXPECT_TRUE(contains(*run.module, {0xD2, 0x01, 0x00, 0xA5}));
  EXPECT_TRUE(contains(*run.module, {0xE2, 0xD0, 0x01, 0xD2, 0x01, 0xE4}));
}

// A value that no expression of the object format can hold: error 204, and the bytes stay
// as assembled so the locations still agree.
TEST(ObjectData, UnwritableValueIsError204) {
  RecordingReporter reporter;
  SymbolTable symbols(reporter);
  SectionId code = symbols.defineSection("code", Pass::first).section;
  RunOptions options;
  ObjectIndices indices;
  ExpressionBuilder expressions(symbols, indices);
  DataPartBuilder data(symbols, options, expressions, reporter);
  EmittedStatement statement;
  statement.kind = StatementKind::data;
  statement.section = code;
  statement.bytes = {1, 2, 3, 4};
  exprValue floating;
  floating.kind = ValueKind::floating;
  statement.dataFields = {{0, 2, floating}, {2, 2, floating}};
  data.statement(statement);
  data.finish();
  EXPECT_EQ(reporter.errors, std::vector<int>{204});
  ASSERT_EQ(data.records().size(), 2u);  // the load pointer, then the four bytes as constants
  Bytes last;
  data.records().forEach(
      [&](std::span<const std::uint8_t> record) { last.assign(record.begin(), record.end()); });
  EXPECT_EQ(last, (Bytes{0xE4, 4, 1, 2, 3, 4}));
}

}  // namespace
}  // namespace kz::assembler
