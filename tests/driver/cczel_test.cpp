#include <filesystem>
#include <fstream>

#include "driver/cczel_config.h"
#include "tests/driver/root_fixture.h"

namespace kz::driver {
namespace {

namespace fs = std::filesystem;

class CczelTest : public DriverRootTest {
 protected:
  CczelTest() : DriverRootTest(cczelConfig()) {}
};

struct PrintCase {
  Words arguments;
  std::string commands;
};

const std::string kCompile =
    "zc1 : 'zc1' '-XO' '-XM' 'p.c' 'T0'\n"
    "zc2 : 'zc2' '-XO' '-XM' 'T0' 'T1'\n"
    "czel1 : 'czel1' 'T1' 'T0'\n";
const std::string kAssemble = "asmzel : 'asmzel' '-zc' '-$' '-O1' '-o' 'p.rel' 'T0'\n";
const std::string kLink =
    "lnkzel : 'lnkzel' 'p.rel' '-KZEL' '-L' '@/lib' 'czel.lib' '-$' '-o' 'p.abs'\n";

// The stages of a C source and the special compilation modes of the front end.
TEST_F(CczelTest, PrintedStagesAndFrontEndModes) {
  const PrintCase cases[] = {
      {{"p.c"}, kCompile + kAssemble + kLink},
      {{"-S", "p.c"},
       "zc1 : 'zc1' '-XO' '-XM' 'p.c' 'T0'\n"
       "zc2 : 'zc2' '-XO' '-XM' 'T0' 'T1'\n"
       "czel1 : 'czel1' 'T1' 'p.asm'\n"},
      {{"-S", "-o", "q.asm", "p.c"},
       "zc1 : 'zc1' '-XO' '-XM' 'p.c' 'T0'\n"
       "zc2 : 'zc2' '-XO' '-XM' 'T0' 'T1'\n"
       "czel1 : 'czel1' 'T1' 'q.asm'\n"},
      {{"-c", "-o", "q.rel", "p.c"},
       kCompile + "asmzel : 'asmzel' '-zc' '-$' '-O1' '-o' 'q.rel' 'T0'\n"},
      // -s keeps the assembly text and still assembles and links.
      {{"-s", "p.c"},
       "zc1 : 'zc1' '-XO' '-XM' 'p.c' 'T0'\n"
       "zc2 : 'zc2' '-XO' '-XM' 'T0' 'T1'\n"
       "czel1 : 'czel1' 'T1' 'p.asm'\n"
       "asmzel : 'asmzel' '-zc' '-$' '-O1' '-o' 'p.rel' 'p.asm'\n" +
           kLink},
      {{"-E", "p.c", "x.rel"}, "zc1 : 'zc1' '-E' '-XO' '-XM' 'p.c'\n"},
      {{"-P", "p.c"}, "zc1 : 'zc1' '-P' '-XO' '-XM' 'p.c' 'p.i'\n"},
      {{"-Xb", "p.c"}, "zc1 : 'zc1' '-XO' '-XM' '-Xb' 'p.c' 'p.blt' '-D' '__BUILTIN__'\n"},
      {{"-P", "-E", "-Xb", "p.c"}, "zc1 : 'zc1' '-P' '-E' '-XO' '-XM' 'p.c'\n"},
      {{"-Xuc", "-c", "p.c"},
       "zc1 : 'zc1' '-XO' '-XM' '-Xuc' '-D' '__CHAR_UNSIGNED__' 'p.c' 'T0'\n"
       "zc2 : 'zc2' '-XO' '-XM' 'T0' 'T1'\n"
       "czel1 : 'czel1' 'T1' 'T0'\n" +
           kAssemble},
      // A preprocessed C source is compiled the same way and also links the runtime library.
      {{"-c", "q.i"},
       "zc1 : 'zc1' '-XO' '-XM' 'q.i' 'T0'\n"
       "zc2 : 'zc2' '-XO' '-XM' 'T0' 'T1'\n"
       "czel1 : 'czel1' 'T1' 'T0'\n"
       "asmzel : 'asmzel' '-zc' '-$' '-O1' '-o' 'q.rel' 'T0'\n"},
      {{"-l", "p.c"},
       "zc1 : 'zc1' '-XO' '-XM' 'p.c' 'T0'\n"
       "zc2 : 'zc2' '-XO' '-XM' 'T0' 'T1'\n"
       "czel1 : 'czel1' 'T1' 'p.asm'\n"
       "asmzel : 'asmzel' '-zc' '-lf' 'p.lst' '-$' '-O1' '-o' 'p.rel' 'p.asm'\n"
       "lnkzel : 'lnkzel' 'p.rel' '-KZEL' '-L' '@/lib' 'czel.lib' '-lf' 'p.map' '-$' '-o' "
       "'p.abs'\n"},
      // -Ms sends the generated assembly through the macro processor and the preprocessor.
      {{"-c", "-l", "-Ms", "@", "p.c"},
       kCompile + "mplzel : 'mplzel' '-KZEL' '-Ms' '@' '-I' '.' '-lf' 'p.med' '-$' '-o' 'T1' 'T0'\n"
                  "appzel : 'appzel' '-KZEL' '-I' '.' '-$' '-o' 'p.asm' 'T1'\n"
                  "asmzel : 'asmzel' '-zc' '-lf' 'p.lst' '-$' '-O1' '-o' 'p.rel' 'p.asm'\n"},
      // Assembly sources and objects alone link without the runtime library.
      {{"a.asm", "b.rel"},
       "asmzel : 'asmzel' '-zc' '-$' '-O1' '-o' 'a.rel' 'a.asm'\n"
       "lnkzel : 'lnkzel' 'a.rel' '-KZEL' '-L' '@/lib' 'b.rel' '-$' '-o' 'a.abs'\n"},
      {{"-GF", "-r", "-o", "all.rel", "p.c", "a.asm"},
       "zc1 : 'zc1' '-GF' '-XO' '-XM' 'p.c' 'T0'\n"
       "zc2 : 'zc2' '-GF' '-XO' '-XM' 'T0' 'T1'\n"
       "czel1 : 'czel1' 'T1' 'T0'\n" +
           kAssemble +
           "asmzel : 'asmzel' '-zc' '-$' '-O1' '-o' 'a.rel' 'a.asm'\n"
           "lnkzel : 'lnkzel' 'p.rel' 'a.rel' '-KZEL' '-L' '@/lib' '-GF' '-r' 'czel.lib' '-$' "
           "'-o' 'all.rel'\n"},
  };
  for (const PrintCase& c : cases) {
    Words arguments = c.arguments;
    arguments.insert(arguments.begin(), {"-#", "-$"});
    EXPECT_EQ(run(arguments), 0) << arguments[2] << "\n" << err_.str();
    EXPECT_EQ(printed(), c.commands) << arguments[2];
    EXPECT_EQ(leftovers_, 0);
  }
}

// Forwarding by option group: every option reaches exactly the tools of its group.
TEST_F(CczelTest, PrintedForwardingPerOptionGroup) {
  const PrintCase cases[] = {
      {{"-C",  "-Xc", "-Xd", "-Xp2",  "-Xub", "-Xw",  "-Zxtiny", "-Zynear", "-ZA", "near",
        "-ZD", "far", "-Zi", "ports", "-Zz",  "near", "-Zf",     "lib.blt", "-c",  "p.c"},
       "zc1 : 'zc1' '-C' '-Xc' '-Xd' '-Xp2' '-Xub' '-Xw' '-Zxtiny' '-Zynear' '-ZA' 'near' '-ZD' "
       "'far' '-Zi' 'ports' '-Zz' 'near' '-Zf' 'lib.blt' '-XO' '-XM' 'p.c' 'T0'\n"
       "zc2 : 'zc2' '-XO' '-XM' 'T0' 'T1'\n"
       "czel1 : 'czel1' 'T1' 'T0'\n" +
           kAssemble},
      // To zc1 and zc2; -XP reaches zc2 among its stage words.
      {{"-Xa", "-Xe", "-XP", "-Xr", "-Xs", "-ZC", "near", "-ZT", "tiny", "-XA", "-XC", "-XD7",
        "-Xns", "-GF", "-c", "p.c"},
       "zc1 : 'zc1' '-Xa' '-Xe' '-XP' '-Xr' '-Xs' '-ZC' 'near' '-ZT' 'tiny' '-GF' '-XO' '-XM' "
       "'p.c' 'T0'\n"
       "zc2 : 'zc2' '-Xa' '-Xe' '-Xr' '-Xs' '-ZC' 'near' '-ZT' 'tiny' '-XA' '-XC' '-XD7' '-Xns' "
       "'-GF' '-XO' '-XM' '-XP' 'T0' 'T1'\n"
       "czel1 : 'czel1' 'T1' 'T0'\n" +
           kAssemble},
      {{"-DX=1", "-UY", "-J", "-Iinc", "-GN", "main.c", "-H", "-T", "-zc", "-zd", "-XE", "-c",
        "m.mac"},
       "mplzel : 'mplzel' '-KZEL' '-J' '-GN' 'main.c' '-H' '-T' '-I' '.' '-I' 'inc' '-$' '-o' "
       "'T0' 'm.mac'\n"
       "appzel : 'appzel' '-KZEL' '-DX=1' '-UY' '-J' '-GN' 'main.c' '-I' '.' '-I' 'inc' '-$' "
       "'-o' 'T1' 'T0'\n"
       "asmzel : 'asmzel' '-J' '-GN' 'main.c' '-H' '-T' '-zc' '-zd' '-XE' '-zc' '-I' 'inc' '-$' "
       "'-O1' '-o' 'm.rel' 'T1'\n"},
      {{"-F255", "-Mm", "-ga", "-k", "-ng", "-gm", "s.map", "-T", "-L", "libs", "-uentry", "a.rel"},
       "lnkzel : 'lnkzel' '-KZEL' '-L' '@/lib' '-F255' '-Mm' '-ga' '-k' '-ng' '-gm' 's.map' '-T' "
       "'-L' 'libs' '-uentry' 'a.rel' '-$' '-o' 'a.abs'\n"},
      // Driver actions: the model option before the section name, -XS4, -O for zc2, -g from -ga.
      {{"-Za", "vars", "-Zd", "dat,far", "-Zccon,local", "-XS", "-O", "-O35", "-O2", "-ga", "-gl",
        "-gs", "-zT", "-u", "-w2", "-t", "-c", "p.c"},
       "zc1 : 'zc1' '-Za' 'vars' '-ZD' 'far' '-Zd' 'dat' '-ZC' 'local' '-Zc' 'con' '-XS4' '-g' "
       "'-gl' '-zT' '-u' '-w2' '-XO' '-XM' 'p.c' 'T0'\n"
       "zc2 : 'zc2' '-XS4' '-O0' '-O' '-O2' '-g' '-XO' '-XM' 'T0' 'T1'\n"
       "czel1 : 'czel1' 'T1' 'T0'\n"
       "asmzel : 'asmzel' '-g' '-g' '-$' '-O1' '-o' 'p.rel' 'T0'\n"},
      // -A drops both defaults, -Ao and -Am one each.
      {{"-A", "-E", "p.c"}, "zc1 : 'zc1' '-E' 'p.c'\n"},
      {{"-Ao", "-E", "p.c"}, "zc1 : 'zc1' '-E' '-XM' 'p.c'\n"},
      {{"-Am", "-E", "p.c"}, "zc1 : 'zc1' '-E' '-XO' 'p.c'\n"},
      {{"-Xec", "-E", "p.c"}, "zc1 : 'zc1' '-Xec' '-E' '-XO' '-XM' 'p.c'\n"},
      // -W reaches tools 0 to 6; 7 and 8 are accepted and reach none.
      {{"-W2,-q,r", "-W8,x", "-Y1,/opt/z", "-c", "p.c"},
       "zc1 : 'zc1' '-XO' '-XM' 'p.c' 'T0'\n"
       "/opt/z/zc2 : 'zc2' '-XO' '-XM' 'T0' 'T1'\n"
       "czel1 : 'czel1' '-q' 'r' 'T1' 'T0'\n" +
           kAssemble},
  };
  for (const PrintCase& c : cases) {
    Words arguments = c.arguments;
    arguments.insert(arguments.begin(), {"-#", "-$"});
    EXPECT_EQ(run(arguments), 0) << arguments[2] << "\n" << err_.str();
    EXPECT_EQ(printed(), c.commands) << arguments[2];
    EXPECT_EQ(err_.str(), "");
  }
}

TEST_F(CczelTest, VersionMessageFileAndSeveralSources) {
  std::string messages = root_ + "/err.txt";
  ASSERT_EQ(run({"-#", "-V", "-e", messages, "p.c", "a.asm"}), 0);
  EXPECT_TRUE(fs::exists(messages));
  EXPECT_EQ(printed(),
            "KORV-ZEL C-Compiler (32)  Version 1.0\n"
            "Driver Version 1.45 \n"
            "Copyright (C) 2026 The KORV-ZEL Toolchain Developers. Free software, without "
            "warranty.\n\n"
            "p.c:\n"
            "zc1 : 'zc1' '-V' '-e' '@/err.txt' '-XO' '-XM' 'p.c' 'T0'\n"
            "zc2 : 'zc2' '-V' '-e' '@/err.txt' '-XO' '-XM' 'T0' 'T1'\n"
            "czel1 : 'czel1' '-V' 'T1' 'T0'\n"
            "asmzel : 'asmzel' '-e' '@/err.txt' '-zc' '-V' '-O1' '-o' 'p.rel' 'T0'\n"
            "a.asm:\n"
            "asmzel : 'asmzel' '-e' '@/err.txt' '-zc' '-V' '-O1' '-o' 'a.rel' 'a.asm'\n"
            "link:\n"
            "lnkzel : 'lnkzel' 'p.rel' 'a.rel' '-KZEL' '-L' '@/lib' '-e' '@/err.txt' 'czel.lib' "
            "'-V' '-o' 'p.abs'\n");
}

struct MessageCase {
  Words arguments;
  int status;
  std::string errors;
};

TEST_F(CczelTest, MessagesAndExitStatus) {
  const MessageCase cases[] = {
      {{"-Za", "code,huge", "p.c"}, 255, "cczel-Fatal-114 : Invalid argument \"-Zacode,huge\"\n"},
      {{"-Ztcode,", "p.c"}, 255, "cczel-Fatal-113 : Invalid subargument \"-Ztcode,\"\n"},
      {{"-Zc", ",near", "p.c"}, 255, "cczel-Fatal-113 : Invalid subargument \"-Zc,near\"\n"},
      {{"-Zxhuge", "p.c"}, 255, "cczel-Fatal-114 : Invalid argument \"-Zxhuge\"\n"},
      {{"-ZT", "bank", "p.c"}, 255, "cczel-Fatal-114 : Invalid argument \"-ZTbank\"\n"},
      {{"-O3x", "p.c"}, 255, "cczel-Fatal-112 : Not allowed character \"O3x\"\n"},
      {{"-w12", "p.c"}, 255, "cczel-Fatal-112 : Not allowed character \"w12\"\n"},
      {{"-XDx", "p.c"}, 255, "cczel-Fatal-112 : Not allowed character \"XDx\"\n"},
      {{"-DX=", "p.c"}, 255, "cczel-Fatal-113 : Invalid subargument \"-DX=\"\n"},
      {{"-W9,x", "p.c"}, 255, "cczel-Fatal-113 : Invalid subargument \"-W9,x\"\n"},
      {{"-Y7,/t", "p.c"}, 255, "cczel-Fatal-113 : Invalid subargument \"-Y7,/t\"\n"},
      {{"-Zy", "p.c"}, 255, "cczel-Fatal-114 : Invalid argument \"-Zyp.c\"\n"},
      {{"-Xq", "p.c"}, 255, "cczel-Fatal-109 : Unrecognized option \"-Xq\"\n"},
      {{"-r", "p.c"}, 255, "cczel-Fatal-115 : '-r' option requires '-o' option\n"},
      {{"-c", "-o", "x.rel", "p.c", "q.c"}, 255, "cczel-Fatal-109 : Unrecognized option \"o\"\n"},
      {{"-S", "-lx.lst", "p.c", "q.c"}, 255, "cczel-Fatal-109 : Unrecognized option \"l\"\n"},
      {{"-Xt", "-o", "x.rel", "p.c", "a.asm"},
       255,
       "cczel-Fatal-109 : Unrecognized option \"o\"\n"},
      // -P on a preprocessed source would write its output over the source.
      {{"-P", "q.i"}, 255, "cczel-Fatal-103 : \"q.i\" files are the same\n"},
      // Nor over another file of the command line before that file is read.
      {{"-P", "q.c", "q.i"}, 255, "cczel-Fatal-103 : \"q.i\" files are the same\n"},
      {{"-S", "m.mac", "m.asm"}, 255, "cczel-Fatal-103 : \"m.asm\" files are the same\n"},
      {{"a.asm", "a.rel"}, 255, "cczel-Fatal-103 : \"a.rel\" files are the same\n"},
      {{"-o", "p.c", "p.c"}, 255, "cczel-Fatal-103 : \"p.c\" files are the same\n"},
      {{"-c"}, 255, "cczel-Fatal-100 : No source file found in invocation\n"},
      {{"-A", "-Xec", "-E", "p.c"}, 0, "cczel-Warning-521 : Ignored option \"-Xec\"\n"},
      {{"-Xec", "-A", "-E", "p.c"}, 0, "cczel-Warning-521 : Ignored option \"-A\"\n"},
      {{"-Zf", "x.c", "-E", "p.c"},
       0,
       "cczel-Warning-522 : Unknown suffix, \"x.c\" used as a 'bilt-in' file\n"},
      {{"-Zf", "x.BLT", "-E", "p.c"}, 0, ""},
      {{"-Ms", "ab", "-c", "p.c"}, 0, "cczel-Warning-523 : Too many character for '-Ms'\n"},
      {{"-o", "p.rel", "p.c"},
       0,
       "cczel-Warning-520 : The suffix not fit for output-file \"p.rel\"\n"},
      {{"p.obj", "p.s", "p.a"},
       0,
       "cczel-Warning-522 : Unknown suffix, \"p.obj\" used as an 'object' file\n"
       "cczel-Warning-522 : Unknown suffix, \"p.s\" used as an 'assembler' file\n"
       "cczel-Warning-522 : Unknown suffix, \"p.a\" used as a 'library' file\n"},
      // -w alone or -w0 silences the driver's warnings after it; -w1 does not.
      {{"-w", "p.obj", "-Ms", "xy", "-c"}, 0, ""},
      {{"-w0", "p.obj"}, 0, ""},
      {{"-w1", "p.obj"},
       0,
       "cczel-Warning-522 : Unknown suffix, \"p.obj\" used as an 'object' file\n"},
  };
  for (const MessageCase& c : cases) {
    Words arguments = c.arguments;
    arguments.insert(arguments.begin(), {"-#", "-$"});
    EXPECT_EQ(run(arguments), c.status) << c.errors;
    EXPECT_EQ(err_.str(), c.errors);
    EXPECT_EQ(leftovers_, 0);
  }
  // The ignored option has no effect: the first of the two holds.
  ASSERT_EQ(run({"-#", "-$", "-A", "-Xec", "-E", "p.c"}), 0);
  EXPECT_EQ(printed(), "zc1 : 'zc1' '-E' 'p.c'\n");
  ASSERT_EQ(run({"-#", "-$", "-Xec", "-A", "-E", "p.c"}), 0);
  EXPECT_EQ(printed(), "zc1 : 'zc1' '-Xec' '-E' '-XO' '-XM' 'p.c'\n");
}

// zc2 ending with status 3 runs once more with -XP; a second 3, or a 3 when -XP was given
// already, is a failure like any other status.
TEST_F(CczelTest, SecondPassRetriedWithInitialiserSwitch) {
  std::string t0 = root_ + "/TA000000", t1 = root_ + "/TA000001";
  runner_.statuses = {0, 3, 0, 0, 0};
  ASSERT_EQ(run({"-$", "-c", "p.c"}), 0);
  ASSERT_EQ(runner_.starts.size(), 5u);
  EXPECT_EQ(runner_.starts[1].name, "zc2");
  EXPECT_EQ(words(1), (Words{"-XO", "-XM", "-GN", "p.c", t0, t1}));
  EXPECT_EQ(runner_.starts[2].name, "zc2");
  EXPECT_EQ(words(2), (Words{"-XO", "-XM", "-GN", "p.c", "-XP", t0, t1}));
  EXPECT_EQ(words(3), (Words{"-GN", "p.c", t1, t0}));
  EXPECT_EQ(words(4), (Words{"-zc", "-$", "-GN", "p.c", "-O1", "-o", "p.rel", t0}));
  EXPECT_EQ(leftovers_, 0);

  runner_.statuses = {0, 3, 3};
  EXPECT_EQ(run({"-$", "p.c"}), 1);
  EXPECT_EQ(runner_.starts.size(), 3u);
  EXPECT_EQ(leftovers_, 0);

  runner_.statuses = {0, 3};
  EXPECT_EQ(run({"-$", "-XP", "p.c"}), 1);
  EXPECT_EQ(runner_.starts.size(), 2u);
  EXPECT_EQ(words(1), (Words{"-XO", "-XM", "-GN", "p.c", "-XP", t0, t1}));

  runner_.statuses = {0, 2};
  EXPECT_EQ(run({"-$", "p.c"}), 1);
  EXPECT_EQ(runner_.starts.size(), 2u);

  // Every tool after the first started names the source; zc1 after its two files.
  runner_.statuses = {};
  ASSERT_EQ(run({"-$", "-c", "-Xuc", "p.c", "q.c"}), 0);
  ASSERT_EQ(runner_.starts.size(), 8u);
  EXPECT_EQ(words(0), (Words{"-XO", "-XM", "-Xuc", "-D", "__CHAR_UNSIGNED__", "p.c", t0}));
  EXPECT_EQ(words(4),
            (Words{"-XO", "-XM", "-Xuc", "-D", "__CHAR_UNSIGNED__", "q.c", t0, "-GN", "q.c"}));
}

TEST_F(CczelTest, FrontEndModesNameTheSourceFirst) {
  ASSERT_EQ(run({"-$", "-P", "p.c", "q.c"}), 0);
  ASSERT_EQ(runner_.starts.size(), 2u);
  EXPECT_EQ(words(1), (Words{"-P", "-XO", "-XM", "-GN", "q.c", "q.c", "q.i"}));
  ASSERT_EQ(run({"-$", "-Xb", "p.c", "q.c"}), 0);
  EXPECT_EQ(words(1),
            (Words{"-XO", "-XM", "-GN", "q.c", "-Xb", "q.c", "q.blt", "-D", "__BUILTIN__"}));
  ASSERT_EQ(run({"-$", "-E", "p.c", "my q.c"}), 0);
  EXPECT_EQ(words(1), (Words{"-E", "-XO", "-XM", "-GN", "\"my q.c\"", "\"my q.c\""}));
}

TEST_F(CczelTest, ToolsThatCannotStartAndKeptTemporaries) {
  // zc2 has the first wording and status -1; every other stage the second and status 3.
  const Words tools = {"zc1", "zc2", "czel1", "asmzel", "lnkzel"};
  for (std::size_t failing = 0; failing < tools.size(); ++failing) {
    runner_.statuses.assign(failing, 0);
    runner_.statuses.push_back(-1);
    std::string path = root_ + "/bin/" + tools[failing];
    bool first = tools[failing] == "zc2";
    EXPECT_EQ(run({"-$", "p.c"}), first ? 255 : 3) << path;
    EXPECT_EQ(err_.str(), first ? "cczel-Fatal-116 : Can't execute \"" + path + "\"\n"
                                : "cczel-Fatal-116: cannot execute \"" + path + "\"\n");
    EXPECT_EQ(runner_.starts.size(), failing + 1);
    EXPECT_EQ(leftovers_, 0);
  }

  // -z$ keeps the two files of the first template; the second template's file still goes.
  ASSERT_EQ(run({"-#", "-$", "-z$", "p.c"}), 0);
  EXPECT_EQ(leftovers_, 2);
  EXPECT_TRUE(fs::exists(root_ + "/TA000000"));
  EXPECT_TRUE(fs::exists(root_ + "/TA000001"));
}

}  // namespace
}  // namespace kz::driver
