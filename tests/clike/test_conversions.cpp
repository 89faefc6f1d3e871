// Conversions of values to the type of their place: the rules alone, then the code and the
// messages of whole programs, put through the assembler.
#include <gtest/gtest.h>

#include <deque>

#include "clike/conversions.h"
#include "tests/clike/compile_helper.h"

namespace kz::clike {
namespace {

using testing::assemble;
using testing::compile;

Type base(BaseType kind) {
  Type type;
  type.base = kind;
  return type;
}

Type pointerTo(Type type, SizeAttribute attribute = SizeAttribute::near) {
  Derivation pointer;
  pointer.attribute = attribute;
  type.derivations.insert(type.derivations.begin(), pointer);
  return type;
}

// A value refers to its type: the types of the cases are kept for the whole test.
ValueType typed(const Type& type) {
  static std::deque<Type> kept;
  kept.push_back(type);
  return ValueType::of(kept.back());
}

struct RuleCase {
  const char* what;
  ValueType target;
  ValueType value;
  ConversionUse use;
  std::vector<Message> expected;
};

TEST(ConversionRules, SizesKindsAndSignednessGiveTheirMessages) {
  using enum Message;
  const ValueType uchar = typed(base(BaseType::ucharType));
  const ValueType schar = typed(base(BaseType::charType));
  const ValueType ushort = typed(base(BaseType::ushortType));
  const ValueType sshort = typed(base(BaseType::shortType));
  const ValueType ucharPointer = typed(pointerTo(base(BaseType::ucharType)));
  const ValueType charPointer = typed(pointerTo(base(BaseType::charType)));
  const ValueType tinyPointer = typed(pointerTo(base(BaseType::ucharType), SizeAttribute::tiny));
  Type constChar = base(BaseType::ucharType);
  constChar.isConst = true;
  const ValueType constPointer = typed(pointerTo(constChar));
  AggregateInfo first, second;
  Type firstStruct = base(BaseType::structType), secondStruct = base(BaseType::structType);
  firstStruct.aggregate = &first;
  secondStruct.aggregate = &second;
  Type function = base(BaseType::voidType);
  Derivation call;
  call.kind = DerivationKind::function;
  function.derivations.push_back(call);
  const auto assign = ConversionUse::assignment;
  const auto operate = ConversionUse::operation;
  const auto cast = ConversionUse::cast;
  const RuleCase cases[] = {
      {"same type", uchar, uchar, assign, {}},
      {"widening stored", ushort, uchar, assign, {dataExpansion}},
      {"widening as an operand", ushort, uchar, operate, {expansionNotAllowed}},
      {"widening cast", ushort, uchar, cast, {}},
      {"a signed byte never widens", sshort, schar, assign, {expansionNotAllowed}},
      {"nor under a cast", sshort, schar, cast, {expansionNotAllowed}},
      {"sign and size", ushort, schar, assign, {signedUnsignedConversion, expansionNotAllowed}},
      {"narrowing stored", uchar, ushort, assign, {dataTruncation}},
      {"narrowing as an operand", uchar, ushort, operate, {truncationNotAllowed}},
      {"narrowing cast", uchar, ushort, cast, {}},
      {"sign only", uchar, schar, assign, {signedUnsignedConversion}},
      {"255 fits a byte", uchar, ValueType::number(255), assign, {}},
      {"-128 fits a byte", uchar, ValueType::number(-128), assign, {}},
      {"256 does not", uchar, ValueType::number(256), assign, {dataTruncation}},
      {"-129 does not", uchar, ValueType::number(-129), assign, {dataTruncation}},
      {"nor as an operand", uchar, ValueType::number(300), operate, {truncationNotAllowed}},
      {"65535 fits a word", ushort, ValueType::number(65535), assign, {}},
      {"65536 does not", ushort, ValueType::number(65536), assign, {dataTruncation}},
      {"an integer into a pointer", ucharPointer, ushort, assign, {intPointerConversion}},
      {"a pointer into an integer", sshort, ucharPointer, assign, {intPointerConversion}},
      {"zero is any pointer", ucharPointer, ValueType::number(0), assign, {}},
      {"another address is not",
       ucharPointer,
       ValueType::number(0x40),
       assign,
       {intPointerConversion}},
      {"another target type", ucharPointer, charPointer, assign, {pointerPointerConversion}},
      {"another attribute and size",
       tinyPointer,
       ucharPointer,
       assign,
       {pointerPointerConversion, dataTruncation}},
      {"const aside", constPointer, ucharPointer, assign, {}},
      {"code and data",
       typed(base(BaseType::entryType)),
       ucharPointer,
       assign,
       {typeUnmatchWarning}},
      {"a function is a code address",
       typed(base(BaseType::entryType)),
       typed(pointerTo(function)),
       assign,
       {}},
      {"other structures", typed(firstStruct), typed(secondStruct), assign, {typeUnmatch}},
      {"a void value", uchar, typed(base(BaseType::voidType)), assign, {voidHasNoValue}},
      {"an untyped register takes any type", ValueType::untyped(2), ucharPointer, assign, {}},
      {"but not any size", ValueType::untyped(1), ushort, assign, {dataTruncation}},
  };
  for (const RuleCase& c : cases)
    EXPECT_EQ(conversionMessages(c.target, c.value, c.use), c.expected) << c.what;
}

const std::string kData =
    "section vars area tiny;\n"
    "unsigned char count;\n"    // 0
    "char level;\n"             // 1
    "unsigned short total;\n"   // 2
    "short delta;\n"            // 4
    "unsigned char *cursor;\n"  // 6
    "section code;\n"
    "void put(unsigned short HL);\n"
    "unsigned char get(void);\n"
    "void stop(void);\n";

TEST(Conversions, StoredValuesAreWidenedAndNarrowedInPlace) {
  auto c = compile(kData +
                       "void f(void) {\n"
                       "  total = count; count = total;\n"
                       "  A = HL;\n"
                       "  WA = A; HL = L;\n"
                       "  put(count);\n"
                       "  total = get();\n"
                       "  A = (unsigned char)total; WA = (unsigned short)count;\n"
                       "  *0x40 = WA; A = 0x1FF;\n"
                       "}\n",
                   {"-w2"});
  // Each warning once on its line.
  EXPECT_EQ(c.messages, "W513 W520 W520 W513 W513 W513 W528 W520") << c.err;
  auto e = assemble(c.assembly);
  ASSERT_EQ(e.status, 0) << e.err << c.assembly;
  EXPECT_EQ(e.bytes("\tld\t(_total),(_count)"), "26 00 02");
  EXPECT_EQ(e.bytes("\tld\t(_total+1),0"), "2C 03 00");
  EXPECT_EQ(e.bytes("\tld\t(_count),(_total)"), "26 02 00");
  EXPECT_EQ(e.bytes("\tld\ta,l"), "56");
  EXPECT_EQ(e.bytes("\tld\tw,0"), "31 00");
  EXPECT_EQ(e.bytes("\tld\th,0"), "37 00");
  EXPECT_EQ(e.bytes("\tld\tl,(_count)"), "E0 00 5E");
  EXPECT_EQ(e.bytes("\tld\t(_total),a"), "2A 02");
  EXPECT_EQ(e.bytes("\tld\ta,(_total)"), "22 02");
  EXPECT_EQ(e.bytes("\tld\t(64),wa"), "F0 40 10");
  // The value that does not fit is written as it stands, after the warning.
  EXPECT_TRUE(c.has("\tld\ta,511")) << c.assembly;
}

TEST(Conversions, WhatCannotBeConvertedIsAnError) {
  struct Case {
    const char* body;
    const char* messages;
  } cases[] = {
      {"delta = level;", "E265"},  // no instruction extends a sign
      {"HL += A;", "E265"},        // an operand must have its partner's size
      {"A += total;", "E271"},
      {"A = stop();", "E292"},
      {"if (HL == A) B = 1;", "E265"},
      {"if (level < 3) B = 1;", "E280"},  // the conditions compare without sign
      {"put(A + 1);", "E297"},
      {"count = &count;", "E271"},  // an address has no low byte of its own
  };
  for (const Case& c : cases) {
    auto compiled = compile(kData + "void f(void) { " + c.body + " }\n", {"-w2"});
    EXPECT_EQ(compiled.messages, c.messages) << c.body;
    EXPECT_EQ(compiled.status, 255) << c.body;
  }
}

TEST(Conversions, WarningsOfTheKindsFollowTheWarningLevel) {
  std::string source = kData +
                       "void f(void) { count = level; cursor = total; total = cursor;\n"
                       "  cursor = 0x40; cursor = 0; }\n";
  EXPECT_EQ(compile(source).messages, "");
  auto c = compile(source, {"-w2"});
  EXPECT_EQ(c.messages, "W515 W516 W516") << c.err;
  EXPECT_EQ(c.status, 0);
  auto e = assemble(c.assembly);
  ASSERT_EQ(e.status, 0) << e.err << c.assembly;
  EXPECT_EQ(e.bytes("\tld\twa,(_total)"), "E0 02 14");
  EXPECT_EQ(e.bytes("\tld\t(_cursor),wa"), "F0 06 10");
  EXPECT_EQ(e.bytes("\tldw\t(_cursor),64"), "24 06 40 00");
}

TEST(Conversions, ReturnValuesTakeTheResultsType) {
  auto c = compile(kData +
                       "unsigned short wide(void) { return count; }\n"
                       "unsigned char narrow(void) { return total; }\n"
                       "short sign(void) { return level; }\n"
                       "unsigned char sum(void) { return A + B; }\n",
                   {"-w2"});
  EXPECT_EQ(c.messages, "W513 W520 E265 E297");
  auto ok = compile(kData + "unsigned short wide(void) { return count; }\n");
  ASSERT_EQ(ok.status, 0) << ok.err;
  EXPECT_NE(ok.assembly.find("\tld\ta,(_count)\n\tld\tw,0\n\tret\n"), std::string::npos)
      << ok.assembly;
}

TEST(Conversions, AggregatesAndCodeAddresses) {
  auto c = compile(kData +
                       "section more area tiny;\n"
                       "struct a { unsigned char x; } one;\nstruct b { unsigned char y; } two;\n"
                       "section code;\nvoid go(entry HL);\n"
                       "void f(void) {\n one = two;\n go(cursor);\n}\n",
                   {"-w2"});
  EXPECT_EQ(c.messages, "E291 W530");
}

TEST(Conversions, ALocalDeclarationTypesARegisterForItsBlock) {
  auto c = compile(kData +
                       "struct pt { unsigned char x; short y; };\n"
                       "void f(void) {\n"
                       "  { register char B; register struct pt *DE;\n"
                       "    count = B;\n"
                       "    WA = DE->y; }\n"
                       "  WA = B;\n"  // B has no type here: widened as unsigned
                       "}\n",
                   {"-w2"});
  EXPECT_EQ(c.messages, "W515 W513") << c.err;
  EXPECT_NE(c.assembly.find("\tld\thl,de\n\tld\twa,(hl+1)\n"), std::string::npos) << c.assembly;
  EXPECT_EQ(compile(kData + "void f(void) { register char B; WA = B; }\n").messages, "E265");
}

TEST(Casts, ACastChangesTheTypeOrIsRefused) {
  struct Case {
    const char* body;
    const char* messages;
  } cases[] = {
      {"A = (struct pt)count;", "E241"},
      {"A = (char)count.3;", "E259"},
      {"(char)A = 5;", "E242"},
      {"A = (char)\"x\";", "E240"},
      {"A = (unsigned char)cursor;", "E240"},  // a pointer is two bytes
      {"HL = (unsigned char *)total;", ""},
      {"delta = (short)level;", "E265"},
      {"A = (unsigned char)300;", ""},
  };
  for (const Case& c : cases) {
    auto compiled = compile(
        kData + "struct pt { unsigned char x; };\nvoid f(void) { " + c.body + " }\n", {"-w2"});
    EXPECT_EQ(compiled.messages, c.messages) << c.body;
  }
  auto folded = compile(kData +
                        "void f(void) { A = (unsigned char)300; B = (char)0x1FF;\n"
                        "  C = sizeof((unsigned char)HL); }\n");
  EXPECT_TRUE(folded.has("\tld\ta,44") && folded.has("\tld\tb,-1") && folded.has("\tld\tc,1"))
      << folded.assembly;
}

}  // namespace
}  // namespace kz::clike
