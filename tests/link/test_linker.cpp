#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "link/file_io.h"
#include "link/linker.h"
#include "object/record_writer.h"

namespace kz::link {
namespace {

using object::Bytes;
using object::RecordCode;
using object::recordOf;
using object::Term;

// Records one after another, as a module's bytes.
struct ModuleBytes {
  Bytes bytes;
  explicit ModuleBytes(std::string_view name) {
    add(recordOf(RecordCode::moduleBegin).name("KZEL").name(name));
    add(recordOf(RecordCode::addressDescriptor).number(8).number(2).letter('L'));
  }
  ModuleBytes& add(const object::Record& record) {
    bytes.insert(bytes.end(), record.bytes().begin(), record.bytes().end());
    return *this;
  }
  ModuleBytes& raw(std::initializer_list<std::uint8_t> more) {
    bytes.insert(bytes.end(), more);
    return *this;
  }
  ModuleBytes& section(std::uint64_t index, std::string_view letters, std::string_view name,
                       std::uint64_t size) {
    object::Record record = recordOf(RecordCode::sectionType).number(index);
    for (char letter : letters) record.letter(letter);
    add(record.name(name));
    return add(recordOf(RecordCode::assign).letter('S').number(index).number(size));
  }
  ModuleBytes& publicSymbol(std::uint64_t index, std::string_view name, object::Expression value) {
    add(recordOf(RecordCode::publicName).number(index).name(name));
    return add(recordOf(RecordCode::assign).letter('I').number(index).expression(value));
  }
  ModuleBytes& loadAt(std::uint64_t section, std::uint64_t offset) {
    return add(
        recordOf(RecordCode::assign)
            .letter('P')
            .number(section)
            .expression(object::sectionRelative(section, static_cast<std::int64_t>(offset))));
  }
};

class LinkerRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char directory[] = "/tmp/kz_link_XXXXXX";
    ASSERT_NE(::mkdtemp(directory), nullptr);
    directory_ = directory;
  }
  void TearDown() override {
    std::string command = "rm -rf " + directory_;
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  std::string path(const std::string& name) const { return directory_ + "/" + name; }
  void write(const std::string& name, std::string_view text) {
    std::ofstream(path(name), std::ios::binary) << text;
  }
  void write(const std::string& name, const Bytes& bytes) {
    write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  int link(std::vector<std::string> words, bool fixedDate = true) {
    for (std::string& word : words) {
      if (word.find('.') != std::string::npos && word[0] != '-' && word[0] != '/')
        word = path(word);
    }
    words.insert(words.begin(), {"lnkzel", "-$"});
    std::vector<std::string> variables{"KHOMEZEL=" + directory_};
    if (fixedDate) variables.push_back("SOURCE_DATE_EPOCH=0");
    ProgramEnvironment environment(words, variables);
    std::ostringstream out;
    err_.str({});
    Linker linker(environment, out, err_);
    return linker.run();
  }
  Bytes read(const std::string& name) { return readWholeFile(path(name)).value_or(Bytes{}); }
  bool exists(const std::string& name) { return ::access(path(name).c_str(), F_OK) == 0; }

  std::string directory_;
  std::ostringstream err_;
};

constexpr std::string_view kRom = "REGION ROM 0x1000 0x1FFF ROM\nREGION RAM 0x0040 0x00FF RAM\n";

TEST_F(LinkerRun, RepeatedFieldsAbsoluteDataDefinitionsAndTheStartAddress) {
  ModuleBytes module("m");
  module.section(1, "YCP", "code", 7).section(2, "ASR", "tab", 2);
  module.add(recordOf(RecordCode::assign).letter('L').number(2).number(0x1800));
  module.publicSymbol(32, "entry", object::sectionRelative(1, 1));
  module.add(recordOf(RecordCode::externalName).number(1).name("limit"));
  // code: 00, then F7 3 on an LR whose first item is the 2-byte field P1 (its own address).
  module.loadAt(1, 0).raw({0xE4, 0x01, 0x00});
  module.raw({0xF7, 0x03, 0xE4, 0xBC, 0xD0, 0x01, 0x02, 0xBD});
  // tab at 1800: X1 - 1 as a word.
  module.add(recordOf(RecordCode::assign).letter('P').number(2).number(0x1800));
  module.raw({0xE4, 0xBC, 0xD8, 0x01, 0x01, 0xA6, 0x02, 0xBD, 0xE1});
  write("m.rel", module.bytes);
  write("map.lcf", std::string(kRom) + "DEFINE limit = entry + 0x20\nSTART entry\n");
  ASSERT_EQ(link({"m.rel", "map.lcf", "-O", "hex", "-o", "m.hex"}), kExitOk) << err_.str();
  // code at 1000: 00, 1001 1001 -> 01 10, 1003 -> 03 10, 1005 -> 05 10.
  // limit = 1001 + 20 = 1021; 1021 - 1 = 1020: 20 10 at 1800.
  //   :07 1000 00 00 01 10 03 10 05 10: 07+10+00+00 + 00+01+10+03+10+05+10 = 50 -> B0
  //   :02 1800 00 20 10: 02+18+00+00+20+10 = 4A -> B6
  //   :04 0000 05 00 00 10 01: 04+05+10+01 = 1A -> E6
  std::string expected =
      ":0710000000011003100510B0\n"
      ":021800002010B6\n"
      ":04000005000010 01E6\n"
      ":00000001FF\n";
  expected.erase(expected.find(' '), 1);
  Bytes hex = read("m.hex");
  EXPECT_EQ(std::string(hex.begin(), hex.end()), expected);
}

TEST_F(LinkerRun, ErrorsLeaveNoImageAndName) {
  ModuleBytes module("m");
  module.section(1, "ZCD", "small", 0x20).section(2, "YCP", "code", 2);
  module.publicSymbol(32, "loop", {Term::publicSymbol(33)});
  module.publicSymbol(33, "back", {Term::publicSymbol(32)});
  module.loadAt(2, 0).raw({0xE4, 0xBC, 0xC9, 0x20, 0x02, 0xBD, 0xE1});
  write("m.rel", module.bytes);
  // The 8-bit section cannot go below 0x100 in this RAM.
  write("map.lcf", "REGION ROM 0x1000 0x1FFF ROM\nREGION RAM 0x0100 0x01FF RAM\nSTART nowhere\n");
  EXPECT_EQ(link({"m.rel", "map.lcf", "-o", "m.abs", "-lf", "m.map"}), kExitErrors);
  EXPECT_NE(err_.str().find("LNKZEL-Error-400 : Memory region overflow: RAM"), std::string::npos)
      << err_.str();
  EXPECT_FALSE(exists("m.abs"));
  EXPECT_FALSE(exists("m.map"));

  write("map.lcf", std::string(kRom) + "START nowhere\n");
  EXPECT_EQ(link({"m.rel", "map.lcf", "-o", "m.abs"}), kExitErrors);
  EXPECT_NE(err_.str().find("LNKZEL-Error-303 : Symbol value depends on itself"), std::string::npos)
      << err_.str();
  EXPECT_NE(err_.str().find("map.lcf 3 : LNKZEL-Error-302 : Start symbol \"nowhere\""),
            std::string::npos)
      << err_.str();
  EXPECT_FALSE(exists("m.abs"));
  // -k keeps what could be made.
  EXPECT_EQ(link({"m.rel", "map.lcf", "-o", "m.abs", "-k"}), kExitErrors);
  EXPECT_TRUE(exists("m.abs"));
}

TEST_F(LinkerRun, CommandLineProblemsAreFatal) {
  EXPECT_EQ(link({}), kExitFatal);
  EXPECT_NE(err_.str().find("LNKZEL-Fatal-103 : No object file given"), std::string::npos);
  EXPECT_EQ(link({"-q", "x.rel"}), kExitFatal);
  EXPECT_NE(err_.str().find("Unrecognized option \"-q\""), std::string::npos);
  EXPECT_EQ(link({"x.rel", "-o"}), kExitFatal);
  EXPECT_NE(err_.str().find("Missing parameter for \"-o\""), std::string::npos);
  EXPECT_EQ(link({"-F", "300", "x.rel"}), kExitFatal);
  EXPECT_EQ(link({"-w2", "x.rel"}), kExitFatal);
  EXPECT_EQ(link({"missing.rel"}), kExitFatal);
  EXPECT_NE(err_.str().find("Can't open"), std::string::npos);
  // Every word a driver passes is accepted.
  ModuleBytes module("m");
  module.section(1, "YCP", "code", 1).loadAt(1, 0).raw({0xE4, 0x01, 0x05, 0xE1});
  write("m.rel", module.bytes);
  write("map.lcf", kRom);
  EXPECT_EQ(link({"-KZEL", "-V", "-Mm",        "-T",    "-ga",     "-ng",  "-k",     "-w",
                  "-w0",   "-F", "255",        "-F7",   "-L",      "/tmp", "-Lmore", "-gm",
                  "m.sym", "-e", "errors.txt", "m.rel", "map.lcf", "-o",   "m.abs"}),
            kExitOk)
      << err_.str();
  EXPECT_TRUE(exists("m.map"));
  EXPECT_TRUE(exists("m.sym"));
  // Names beginning with '-', as the drivers escape them: "-- name" as one word for a file,
  // "--" and the name for an option's value.
  write("-m.rel", module.bytes);
  std::string object = "-- " + path("-m.rel");
  EXPECT_EQ(link({object, "map.lcf", "-o", "--", path("-m.abs")}), kExitOk) << err_.str();
  EXPECT_TRUE(exists("-m.abs"));
}

TEST_F(LinkerRun, WithoutAFixedDateTheImageTakesTheNewestInputDate) {
  auto dated = [](std::string_view name, std::uint64_t year) {
    ModuleBytes module(name);
    module.add(recordOf(RecordCode::name).number(33).name(""));
    module.add(recordOf(RecordCode::attribute)
                   .letter('N')
                   .number(33)
                   .number(0)
                   .number(object::Attribute::creationDate)
                   .number(year)
                   .number(2)
                   .number(3)
                   .number(4)
                   .number(5)
                   .number(6));
    return module.raw({0xE1}).bytes;
  };
  write("old.rel", dated("old", 2001));
  write("new.rel", dated("new", 2024));
  write("map.lcf", kRom);
  ASSERT_EQ(link({"old.rel", "new.rel", "map.lcf", "-o", "a.abs"}, false), kExitOk) << err_.str();
  ASSERT_EQ(link({"new.rel", "old.rel", "map.lcf", "-o", "b.abs"}, false), kExitOk) << err_.str();
  // F1 CE 21 00 32, then 2024 as 82 07 E8 and 2 3 4 5 6.
  const Bytes date{0xF1, 0xCE, 0x21, 0x00, 0x32, 0x82, 0x07, 0xE8, 2, 3, 4, 5, 6};
  Bytes image = read("a.abs");
  EXPECT_NE(std::search(image.begin(), image.end(), date.begin(), date.end()), image.end());
  Bytes other = read("b.abs");
  EXPECT_NE(std::search(other.begin(), other.end(), date.begin(), date.end()), other.end());
}

TEST_F(LinkerRun, DamagedAndForeignInputsAreNumberedErrorsWithTheOffset) {
  write("map.lcf", kRom);
  write("foreign.rel",
        "\x7F"
        "ELF");
  EXPECT_EQ(link({"foreign.rel", "map.lcf"}), kExitErrors);
  EXPECT_NE(err_.str().find("LNKZEL-Error-203 : Not an object module or library"),
            std::string::npos)
      << err_.str();
  ModuleBytes cut("m");
  cut.section(1, "YCP", "code", 1);
  write("cut.rel", cut.bytes);
  EXPECT_EQ(link({"cut.rel", "map.lcf"}), kExitErrors);
  EXPECT_NE(
      err_.str().find("LNKZEL-Error-200 : Damaged object module: at offset 0x001A: end of data"),
      std::string::npos)
      << err_.str();
}

}  // namespace
}  // namespace kz::link
