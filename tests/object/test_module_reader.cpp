#include <gtest/gtest.h>

#include "object/library.h"
#include "object/module_reader.h"
#include "object/record_writer.h"

namespace kz::object {
namespace {

// Records one after another, as a module's bytes.
struct ModuleBytes {
  Bytes bytes;
  ModuleBytes& add(const Record& record) {
    bytes.insert(bytes.end(), record.bytes().begin(), record.bytes().end());
    return *this;
  }
  ModuleBytes& raw(std::initializer_list<std::uint8_t> more) {
    bytes.insert(bytes.end(), more);
    return *this;
  }
};

ModuleBytes header(std::string_view name = "m") {
  ModuleBytes module;
  module.add(recordOf(RecordCode::moduleBegin).name("KZEL").name(name));
  module.add(recordOf(RecordCode::addressDescriptor).number(8).number(2).letter('L'));
  return module;
}

// Section 1 "code" (Y C P, 16 bytes, alignment 4) and section 2 "boot" (A S R at 0x8000).
ModuleBytes withSections() {
  ModuleBytes module = header();
  module.add(
      recordOf(RecordCode::sectionType).number(1).letter('Y').letter('C').letter('P').name("code"));
  module.add(recordOf(RecordCode::sectionAlignment).number(1).number(4));
  module.add(recordOf(RecordCode::assign).letter('S').number(1).number(16));
  module.add(
      recordOf(RecordCode::sectionType).number(2).letter('A').letter('S').letter('R').name("boot"));
  module.add(recordOf(RecordCode::assign).letter('S').number(2).number(4));
  module.add(recordOf(RecordCode::assign).letter('L').number(2).number(0x8000));
  return module;
}

TEST(ModuleReader, SectionsSymbolsAndLoads) {
  ModuleBytes module = withSections();
  module.add(recordOf(RecordCode::publicName).number(32).name("entry"));
  module.add(
      recordOf(RecordCode::attribute).letter('I').number(32).number(15).number(19).number(0));
  module.add(recordOf(RecordCode::assign).letter('I').number(32).expression(sectionRelative(1, 0)));
  module.add(recordOf(RecordCode::externalName).number(1).name("putc"));
  module.add(recordOf(RecordCode::attribute).letter('X').number(1).number(15).omitted().number(1));
  // P1 = R1 + 2; LR: 2 constant bytes, then X1 as a 2-byte field; F7 3 before an ED.
  module.add(recordOf(RecordCode::assign).letter('P').number(1).expression(sectionRelative(1, 2)));
  module.raw({0xE4, 0x02, 0xCD, 0x12, 0xBC, 0xD8, 0x01, 0x02, 0xBD});
  module.add(recordOf(RecordCode::assign).letter('P').number(2).number(0x8001));
  module.raw({0xF7, 0x03, 0xED, 0x01, 0xFF});
  module.raw({0xE1});
  ModuleReadResult result = readModule(module.bytes);
  ASSERT_TRUE(result.module) << result.failure->reason;
  const Module& read = *result.module;
  ASSERT_EQ(read.sections.size(), 2u);
  EXPECT_EQ(read.sections[0].addressSize, AddressSize::bits16);
  EXPECT_EQ(read.sections[0].alignment, 4u);
  EXPECT_EQ(read.sections[0].kind, SectionKind::code);
  EXPECT_TRUE(read.sections[1].absolute);
  EXPECT_EQ(read.sections[1].kind, SectionKind::romData);
  EXPECT_EQ(read.sections[1].address, 0x8000u);
  ASSERT_EQ(read.publics.size(), 1u);
  EXPECT_EQ(read.publics[0].value, sectionRelative(1, 0));
  EXPECT_EQ(read.externalAt(1), 0u);
  ASSERT_EQ(read.loads.size(), 3u);
  EXPECT_EQ(read.loads[0].offset, 2u);
  EXPECT_EQ(read.loads[0].size, 2u);
  EXPECT_EQ(read.loads[1].offset, 4u);
  EXPECT_EQ(read.loads[1].relocation, 0);
  EXPECT_EQ(read.relocations[0].width, 2u);
  EXPECT_EQ(read.relocations[0].value, (Expression{Term::externalSymbol(1)}));
  EXPECT_EQ(read.loads[2].section, 1u);
  EXPECT_EQ(read.loads[2].offset, 1u);  // 0x8001 in a section at 0x8000
  EXPECT_EQ(read.loads[2].repeat, 3u);
  EXPECT_EQ(read.endOffset, module.bytes.size());
}

TEST(ModuleReader, DamageIsAFailureWithItsOffset) {
  struct Case {
    ModuleBytes module;
    std::string reason;
  };
  auto ended = [](ModuleBytes module) { return module.raw({0xE1}); };
  Case cases[] = {
      // 12 bytes into a section of 4: F7 5 ED 1 (5 x 1 byte) at 0x8000.
      {ended(withSections()
                 .add(recordOf(RecordCode::assign).letter('P').number(2).number(0x8000))
                 .raw({0xF7, 0x05, 0xED, 0x01, 0x00})),
       "data beyond the end of section boot"},
      {ended(header().raw({0xED, 0x01, 0x00})), "data before any load pointer is set"},
      {ended(header().add(recordOf(RecordCode::assign).letter('S').number(7).number(1))),
       "section 7 is used before its type record"},
      {ended(header().add(recordOf(RecordCode::sectionType).number(1).letter('Q').name("x"))),
       "section type letters 'Q' are not supported"},
      {ended(withSections().add(recordOf(RecordCode::sectionAlignment).number(1).number(3))),
       "alignment 3 is not a power of two"},
      {ended(withSections().add(recordOf(RecordCode::assign)
                                    .letter('P')
                                    .number(1)
                                    .expression({Term::externalSymbol(1)}))),
       "the load pointer of section code is not its base plus an offset"},
      {ended(header().raw({0xF9})), "block end without a block begin"},
      {ended(header().raw({0xF8, 0x0A, 0x00, 0x00, 0x00, 0x00})), "a debug block is not ended"},
      {header().raw({0x8A}), "byte 8A (unused) where a record code was expected"},
      {header(), "end of data before the module end (E1)"},
      {ended(header().raw({0xE0, 0x00, 0x00})), "a second module begin inside the module"},
      {ended(header().add(recordOf(RecordCode::addressDescriptor).number(16).number(1))),
       "address descriptor of 16 bits per MAU"},
  };
  for (const Case& test : cases) {
    ModuleReadResult result = readModule(test.module.bytes);
    ASSERT_FALSE(result.module) << test.reason;
    EXPECT_NE(result.failure->reason.find(test.reason), std::string::npos)
        << result.failure->reason << " / " << test.reason;
    EXPECT_LE(result.failure->offset, test.module.bytes.size());
  }
  Bytes foreign{0x7F, 'E', 'L', 'F'};
  EXPECT_EQ(readModule(foreign).failure->offset, 0u);
}

TEST(Library, WrittenIndexReadsBackAndFindsEveryMember) {
  ModuleBytes first = header("a");
  first.raw({0xE1});
  ModuleBytes second = header("bb");
  second.raw({0xE1});
  Bytes library = writeLibrary(
      "util", {{"a.rel", first.bytes, {"alpha", "beta"}}, {"b.rel", second.bytes, {"gamma"}}});
  EXPECT_TRUE(looksLikeLibrary(library));
  EXPECT_FALSE(looksLikeLibrary(first.bytes));
  LibraryReadResult read = readLibrary(library);
  ASSERT_TRUE(read.library) << read.failure->reason;
  ASSERT_EQ(read.library->members.size(), 2u);
  EXPECT_EQ(read.library->memberOfSymbol.at("beta"), 0u);
  EXPECT_EQ(read.library->memberOfSymbol.at("gamma"), 1u);
  const LibraryMember& member = read.library->members[1];
  EXPECT_EQ(member.size, second.bytes.size());
  ModuleReadResult module = readModule(library, member.offset);
  ASSERT_TRUE(module.module);
  EXPECT_EQ(module.module->name, "bb");
  // A member offset beyond the file is damage, not a read out of bounds.
  Bytes cut(library.begin(), library.end() - static_cast<std::ptrdiff_t>(second.bytes.size() + 2));
  EXPECT_FALSE(readLibrary(cut).library);
}

}  // namespace
}  // namespace kz::object
