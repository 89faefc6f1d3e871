#include <filesystem>
#include <fstream>

#include "driver/cclzel_config.h"
#include "tests/driver/root_fixture.h"

namespace kz::driver {
namespace {

namespace fs = std::filesystem;

class CclzelTest : public DriverRootTest {
 protected:
  CclzelTest() : DriverRootTest(cclzelConfig()) {}
};

struct PrintCase {
  Words arguments;
  std::string commands;
};

// Each option group and stage combination, as -# prints it.
TEST_F(CclzelTest, PrintedCommandsPerOptionGroupAndStages) {
  const PrintCase cases[] = {
      {{"p.cl"},
       "clzel : 'clzel' '-$' '-o' 'T0' 'p.cl'\n"
       "asmzel : 'asmzel' '-w0' '-$' '-O1' '-o' 'p.rel' 'T0'\n"
       "lnkzel : 'lnkzel' 'p.rel' '-KZEL' '-L' '@/lib' '-$' '-o' 'p.abs'\n"},
      // -S stops after the compiler and keeps the assembly named after the source.
      {{"-S", "p.cl"}, "clzel : 'clzel' '-$' '-o' 'p.asm' 'p.cl'\n"},
      {{"-S", "-o", "q.asm", "p.src"}, "clzel : 'clzel' '-$' '-o' 'q.asm' 'p.src'\n"},
      // clzel knows no "--": a name beginning with '-' goes relative to the directory.
      {{"-S", "-o", "--", "-q.asm", "p.cl"}, "clzel : 'clzel' '-$' '-o' './-q.asm' 'p.cl'\n"},
      {{"-c", "-o", "--", "-q.rel", "p.cl"},
       "clzel : 'clzel' '-$' '-o' 'T0' 'p.cl'\n"
       "asmzel : 'asmzel' '-w0' '-$' '-O1' '-o' '--' '-q.rel' 'T0'\n"},
      {{"-l", "p.cl"},
       "clzel : 'clzel' '-lf' 'p.cpl' '-$' '-o' 'p.asm' 'p.cl'\n"
       "asmzel : 'asmzel' '-w0' '-lf' 'p.lst' '-$' '-O1' '-o' 'p.rel' 'p.asm'\n"
       "lnkzel : 'lnkzel' 'p.rel' '-KZEL' '-L' '@/lib' '-lf' 'p.map' '-$' '-o' 'p.abs'\n"},
      // A listing name is the map with a link, else the assembler's listing.
      {{"-lmap.txt", "p.cl"},
       "clzel : 'clzel' '-lf' 'p.cpl' '-$' '-o' 'p.asm' 'p.cl'\n"
       "asmzel : 'asmzel' '-w0' '-lf' 'p.lst' '-$' '-O1' '-o' 'p.rel' 'p.asm'\n"
       "lnkzel : 'lnkzel' 'p.rel' '-KZEL' '-L' '@/lib' '-lf' 'map.txt' '-$' '-o' 'p.abs'\n"},
      {{"-c", "-lx.lst", "p.cl"},
       "clzel : 'clzel' '-lf' 'p.cpl' '-$' '-o' 'p.asm' 'p.cl'\n"
       "asmzel : 'asmzel' '-w0' '-lf' 'x.lst' '-$' '-O1' '-o' 'p.rel' 'p.asm'\n"},
      {{"-c", "-o", "x.rel", "p.cl"},
       "clzel : 'clzel' '-$' '-o' 'T0' 'p.cl'\n"
       "asmzel : 'asmzel' '-w0' '-$' '-O1' '-o' 'x.rel' 'T0'\n"},
      {{"-Xt", "p.cl"},
       "clzel : 'clzel' '-$' '-o' 'T0' 'p.cl'\n"
       "asmzel : 'asmzel' '-w0' '-Xt' '-$' '-O1' '-o' 'p.rel' 'T0'\n"},
      // A macro-processor option sends compiled output through mplzel and appzel.
      {{"-l", "-sN=1", "p.cl"},
       "clzel : 'clzel' '-lf' 'p.cpl' '-$' '-o' 'T0' 'p.cl'\n"
       "mplzel : 'mplzel' '-KZEL' '-s' 'N=1' '-I' '.' '-lf' 'p.med' '-$' '-o' 'T1' 'T0'\n"
       "appzel : 'appzel' '-KZEL' '-I' '.' '-$' '-o' 'p.asm' 'T1'\n"
       "asmzel : 'asmzel' '-w0' '-lf' 'p.lst' '-$' '-O1' '-o' 'p.rel' 'p.asm'\n"
       "lnkzel : 'lnkzel' 'p.rel' '-KZEL' '-L' '@/lib' '-lf' 'p.map' '-$' '-o' 'p.abs'\n"},
      {{"-c", "-Ms", "@", "p.cl"},
       "clzel : 'clzel' '-$' '-o' 'T0' 'p.cl'\n"
       "mplzel : 'mplzel' '-KZEL' '-Ms' '@' '-I' '.' '-$' '-o' 'T1' 'T0'\n"
       "appzel : 'appzel' '-KZEL' '-I' '.' '-$' '-o' 'T0' 'T1'\n"
       "asmzel : 'asmzel' '-w0' '-$' '-O1' '-o' 'p.rel' 'T0'\n"},
      // Macro and preprocessed sources; a macro listing is .mls, appzel takes none.
      {{"-c", "-l", "m.mac", "a.app"},
       "mplzel : 'mplzel' '-KZEL' '-I' '.' '-lf' 'm.mls' '-$' '-o' 'T0' 'm.mac'\n"
       "appzel : 'appzel' '-KZEL' '-I' '.' '-$' '-o' 'm.asm' 'T0'\n"
       "asmzel : 'asmzel' '-w0' '-lf' 'm.lst' '-$' '-O1' '-o' 'm.rel' 'm.asm'\n"
       "appzel : 'appzel' '-KZEL' '-I' '.' '-$' '-o' 'a.asm' 'a.app'\n"
       "asmzel : 'asmzel' '-w0' '-lf' 'a.lst' '-$' '-O1' '-o' 'a.rel' 'a.asm'\n"},
      // Forwarding: -I to four tools, -D and -U to clzel and appzel, the rest by the table.
      {{"-c", "-DX=1", "-UY", "-Iinc", "-J", "-T", "-Mr", "-Oeu", "-w2r", "-a3", "-H", "-XE",
        "p.cl"},
       "clzel : 'clzel' '-DX=1' '-UY' '-J' '-T' '-Mr' '-Oeu' '-w2r' '-a3' '-I' 'inc' '-$' '-o' "
       "'T0' 'p.cl'\n"
       "asmzel : 'asmzel' '-w0' '-J' '-T' '-XE' '-I' 'inc' '-$' '-O1' '-o' 'p.rel' 'T0'\n"},
      // -H is for hand-written sources: clzel writes 0x numbers, which -H would misread.
      {{"-c", "-H", "-sN=1", "p.cl", "m.mac", "a.asm"},
       "clzel : 'clzel' '-$' '-o' 'T0' 'p.cl'\n"
       "mplzel : 'mplzel' '-KZEL' '-s' 'N=1' '-I' '.' '-$' '-o' 'T1' 'T0'\n"
       "appzel : 'appzel' '-KZEL' '-I' '.' '-$' '-o' 'T0' 'T1'\n"
       "asmzel : 'asmzel' '-w0' '-$' '-O1' '-o' 'p.rel' 'T0'\n"
       "mplzel : 'mplzel' '-KZEL' '-H' '-s' 'N=1' '-I' '.' '-$' '-o' 'T0' 'm.mac'\n"
       "appzel : 'appzel' '-KZEL' '-I' '.' '-$' '-o' 'T1' 'T0'\n"
       "asmzel : 'asmzel' '-w0' '-H' '-$' '-O1' '-o' 'm.rel' 'T1'\n"
       "asmzel : 'asmzel' '-w0' '-H' '-$' '-O1' '-o' 'a.rel' 'a.asm'\n"},
      {{"-Iinc", "-sA=2", "-S", "p.cl"},
       "clzel : 'clzel' '-I' 'inc' '-$' '-o' 'T0' 'p.cl'\n"
       "mplzel : 'mplzel' '-KZEL' '-s' 'A=2' '-I' '.' '-I' 'inc' '-$' '-o' 'T1' 'T0'\n"
       "appzel : 'appzel' '-KZEL' '-I' '.' '-I' 'inc' '-$' '-o' 'p.asm' 'T1'\n"},
      {{"-L", "libs", "-F255", "-GF", "-k", "-ng", "-uentry", "-Mm", "-ga", "-gm", "s.map", "-T",
        "p.rel"},
       "lnkzel : 'lnkzel' '-KZEL' '-L' '@/lib' '-L' 'libs' '-F255' '-GF' '-k' '-ng' '-uentry' "
       "'-Mm' '-ga' '-gm' 's.map' '-T' 'p.rel' '-$' '-o' 'p.abf'\n"},
      // -g: debug information from the compiler and, once, the assembler.
      {{"-c", "-g", "-g1", "p.cl"},
       "clzel : 'clzel' '-g' '-g' '-$' '-o' 'T0' 'p.cl'\n"
       "asmzel : 'asmzel' '-w0' '-g' '-$' '-O1' '-o' 'p.rel' 'T0'\n"},
      // -a alone is -a1; -w alone or -w0 also silences the linker.
      {{"-a", "-w", "p.cl"},
       "clzel : 'clzel' '-a1' '-w' '-$' '-o' 'T0' 'p.cl'\n"
       "asmzel : 'asmzel' '-w0' '-$' '-O1' '-o' 'p.rel' 'T0'\n"
       "lnkzel : 'lnkzel' 'p.rel' '-KZEL' '-L' '@/lib' '-w0' '-$' '-o' 'p.abs'\n"},
      {{"-r", "-o", "all.rel", "a.asm", "b.rel"},
       "asmzel : 'asmzel' '-w0' '-$' '-O1' '-o' 'a.rel' 'a.asm'\n"
       "lnkzel : 'lnkzel' 'a.rel' '-KZEL' '-L' '@/lib' '-r' 'b.rel' '-$' '-o' 'all.rel'\n"},
      // The runtime library follows the command line's files when the first -O holds s
      // and a C-like source is compiled.
      {{"-Os", "-O", "p.cl", "x.lib"},
       "clzel : 'clzel' '-Os' '-O' '-$' '-o' 'T0' 'p.cl'\n"
       "asmzel : 'asmzel' '-w0' '-$' '-O1' '-o' 'p.rel' 'T0'\n"
       "lnkzel : 'lnkzel' 'p.rel' '-KZEL' '-L' '@/lib' 'x.lib' 'lzel.lib' '-$' '-o' 'p.abs'\n"},
      {{"-O", "-Os", "p.cl"},
       "clzel : 'clzel' '-O' '-Os' '-$' '-o' 'T0' 'p.cl'\n"
       "asmzel : 'asmzel' '-w0' '-$' '-O1' '-o' 'p.rel' 'T0'\n"
       "lnkzel : 'lnkzel' 'p.rel' '-KZEL' '-L' '@/lib' '-$' '-o' 'p.abs'\n"},
      {{"-Oes", "a.asm"},
       "asmzel : 'asmzel' '-w0' '-$' '-O1' '-o' 'a.rel' 'a.asm'\n"
       "lnkzel : 'lnkzel' 'a.rel' '-KZEL' '-L' '@/lib' '-$' '-o' 'a.abs'\n"},
      // Only the link stage for objects; a built-in file reaches no tool.
      {{"-Oes", "x.rel", "f.blt"},
       "lnkzel : 'lnkzel' '-KZEL' '-L' '@/lib' 'x.rel' '-$' '-o' 'x.abs'\n"},
      {{"f.blt"}, ""},
  };
  for (const PrintCase& c : cases) {
    Words arguments = c.arguments;
    arguments.insert(arguments.begin(), {"-#", "-$"});
    EXPECT_EQ(run(arguments), 0) << arguments[2] << "\n" << err_.str();
    EXPECT_EQ(printed(), c.commands) << arguments[2];
    EXPECT_EQ(leftovers_, 0);
  }
}

TEST_F(CclzelTest, SeveralSourcesHaveHeadingsAndLinkInOrder) {
  ASSERT_EQ(run({"-#", "p.cl", "q.src", "-o", "all.abs"}), 0);
  EXPECT_EQ(printed().substr(printed().find("\n\n") + 2),
            "p.cl:\n"
            "clzel : 'clzel' '-$' '-o' 'T0' 'p.cl'\n"
            "asmzel : 'asmzel' '-w0' '-$' '-O1' '-o' 'p.rel' 'T0'\n"
            "q.src:\n"
            "clzel : 'clzel' '-$' '-o' 'T0' 'q.src'\n"
            "asmzel : 'asmzel' '-w0' '-$' '-O1' '-o' 'q.rel' 'T0'\n"
            "link:\n"
            "lnkzel : 'lnkzel' 'p.rel' 'q.rel' '-KZEL' '-L' '@/lib' '-$' '-o' 'all.abs'\n");
}

TEST_F(CclzelTest, VersionMessageFileAndRootLibraries) {
  std::string messages = root_ + "/err.txt";
  ASSERT_EQ(run({"-#", "-V", "-e", messages, "p.cl"}, {"KHOME=\\opt\\kz\\"}), 0);
  EXPECT_TRUE(fs::exists(messages));
  EXPECT_EQ(printed(),
            "KORV-ZEL C-Like Compiler (32)  Version 1.0\n"
            "Driver Version 1.1c \n"
            "Copyright (C) 2026 The KORV-ZEL Toolchain Developers. Free software, without "
            "warranty.\n\n"
            "clzel : 'clzel' '-e' '@/err.txt' '-V' '-o' 'T0' 'p.cl'\n"
            "asmzel : 'asmzel' '-w0' '-e' '@/err.txt' '-V' '-O1' '-o' 'p.rel' 'T0'\n"
            "lnkzel : 'lnkzel' 'p.rel' '-KZEL' '-L' '@/lib' '-L' '/opt/kz/lib' '-e' '@/err.txt' "
            "'-V' '-o' 'p.abs'\n");
  ASSERT_EQ(run({"-#", "-$", "-e", messages, "-sX=1", "-c", "m.mac"}), 0);
  EXPECT_NE(printed().find("mplzel : 'mplzel' '-KZEL' '-e' '@/err.txt' '-s'"), std::string::npos);
  EXPECT_NE(printed().find("appzel : 'appzel' '-KZEL' '-e' '@/err.txt' '-I'"), std::string::npos);
}

struct MessageCase {
  Words arguments;
  int status;
  std::string errors;
};

TEST_F(CclzelTest, MessagesAndExitStatus) {
  const MessageCase cases[] = {
      {{"-r", "p.cl"}, 255, "cclzel-Fatal-115 : '-r' option requires '-o' option\n"},
      {{"-r", "-o", "p.abs", "p.cl"},
       0,
       "cclzel-Warning-520 : The suffix not fit for output-file \"p.abs\"\n"},
      {{"-o", "p.rel", "p.cl"},
       0,
       "cclzel-Warning-520 : The suffix not fit for output-file \"p.rel\"\n"},
      {{"-S", "-o", "p.rel", "p.cl"},
       0,
       "cclzel-Warning-520 : The suffix not fit for output-file \"p.rel\"\n"},
      {{"-Ms", "ab", "-c", "p.cl"}, 0, "cclzel-Warning-523 : Too many character for '-Ms'\n"},
      {{"-Oq", "p.cl"}, 255, "cclzel-Fatal-112 : Not allowed character \"Oq\"\n"},
      {{"-O1", "p.cl"}, 255, "cclzel-Fatal-112 : Not allowed character \"O1\"\n"},
      {{"-w2x", "p.cl"}, 255, "cclzel-Fatal-112 : Not allowed character \"w2x\"\n"},
      {{"-a12", "p.cl"}, 255, "cclzel-Fatal-112 : Not allowed character \"a12\"\n"},
      {{"-ax", "p.cl"}, 255, "cclzel-Fatal-112 : Not allowed character \"ax\"\n"},
      {{"-Fx", "p.cl"}, 255, "cclzel-Fatal-112 : Not allowed character \"Fx\"\n"},
      {{"-sN=", "p.cl"}, 255, "cclzel-Fatal-113 : Invalid subargument \"-sN=\"\n"},
      {{"-W5,x", "p.cl"}, 255, "cclzel-Fatal-113 : Invalid subargument \"-W5,x\"\n"},
      {{"-Y5,/t", "p.cl"}, 255, "cclzel-Fatal-113 : Invalid subargument \"-Y5,/t\"\n"},
      {{"-Xq", "p.cl"}, 255, "cclzel-Fatal-109 : Unrecognized option \"-Xq\"\n"},
      {{"-c", "-o", "x.rel", "p.cl", "q.cl"},
       255,
       "cclzel-Fatal-109 : Unrecognized option \"o\"\n"},
      {{"-S", "-lx.lst", "p.cl", "q.cl"}, 255, "cclzel-Fatal-109 : Unrecognized option \"lf\"\n"},
      {{"-o", "p.cl", "p.cl"}, 255, "cclzel-Fatal-103 : \"p.cl\" files are the same\n"},
      {{"-I"}, 255, "cclzel-Fatal-106 : Missing parameter \"-I\"\n"},
      {{"-c"}, 255, "cclzel-Fatal-100 : No source file found in invocation\n"},
      {{"p.obj", "p.s", "p.a", "p.abs", "p.xyz"},
       0,
       "cclzel-Warning-522 : Unknown suffix, \"p.obj\" used as an 'object' file\n"
       "cclzel-Warning-522 : Unknown suffix, \"p.s\" used as an 'assembler' file\n"
       "cclzel-Warning-522 : Unknown suffix, \"p.a\" used as a 'library' file\n"
       "cclzel-Warning-522 : Unknown suffix, \"p.abs\" used as an 'object' file\n"
       "cclzel-Warning-522 : Unknown suffix, \"p.xyz\" used as an 'object' file\n"},
      // -w and -w0 silence the driver's warnings that come after them; -w1 does not.
      {{"-w0", "p.obj", "-Ms", "xy", "-c"}, 0, ""},
      {{"-w1", "p.obj"},
       0,
       "cclzel-Warning-522 : Unknown suffix, \"p.obj\" used as an 'object' file\n"},
  };
  for (const MessageCase& c : cases) {
    Words arguments = c.arguments;
    arguments.insert(arguments.begin(), {"-#", "-$"});
    EXPECT_EQ(run(arguments), c.status) << c.errors;
    EXPECT_EQ(err_.str(), c.errors);
    EXPECT_EQ(leftovers_, 0);
  }
}

// Started for real (through the recorder): every tool after the first started one names the
// source with -GN except the compiler, and a failing tool stops the run with status 1.
TEST_F(CclzelTest, RunningStagesNameTheSourceAndStopAtAFailure) {
  ASSERT_EQ(run({"p.cl", "q.cl"}), 0);
  ASSERT_EQ(runner_.starts.size(), 5u);
  std::string t0 = root_ + "/TC000000";
  EXPECT_EQ(runner_.starts[0].path, root_ + "/bin/clzel");
  EXPECT_EQ(words(0), (Words{"-$", "-o", t0, "p.cl"}));
  EXPECT_EQ(words(1), (Words{"-w0", "-$", "-GN", "p.cl", "-O1", "-o", "p.rel", t0}));
  EXPECT_EQ(words(2), (Words{"-$", "-o", t0, "q.cl"}));
  EXPECT_EQ(words(3), (Words{"-w0", "-$", "-GN", "q.cl", "-O1", "-o", "q.rel", t0}));
  EXPECT_EQ(words(4).front(), "p.rel");
  EXPECT_TRUE(out_.str().ends_with("\n\np.cl:\nq.cl:\nlink:\n")) << out_.str();
  EXPECT_EQ(leftovers_, 0);

  runner_.statuses = {0, 0, 1};
  EXPECT_EQ(run({"-$", "p.cl", "q.cl"}), 1);
  EXPECT_EQ(runner_.starts.size(), 3u);  // q.cl's compiler failed: no assembler, no link
  EXPECT_EQ(leftovers_, 0);
}

TEST_F(CclzelTest, FilesThatCannotBeOpenedAndToolsThatCannotStart) {
  std::string outer = root_ + "/outer.txt", inner = root_ + "/inner.txt";
  std::ofstream(outer) << "-c -f " << inner << "\n";
  std::ofstream(inner) << "p.cl\n";
  const MessageCase cases[] = {
      {{"-f", root_ + "/none.txt", "p.cl"}, 255, "cclzel-Fatal-20 : Can't open : @/none.txt\n"},
      {{"-e", root_ + "/no/such/dir", "p.cl"},
       255,
       "cclzel-Fatal-20 : Can't open : @/no/such/dir\n"},
      {{"-f", outer}, 255, "cclzel-Fatal-111 : Can't nest a command file\n"},
  };
  for (const MessageCase& c : cases) {
    Words arguments = c.arguments;
    arguments.insert(arguments.begin(), "-$");
    EXPECT_EQ(run(arguments), c.status);
    EXPECT_EQ(shown(err_.str()), c.errors);
    EXPECT_TRUE(runner_.starts.empty());
    EXPECT_EQ(leftovers_, 0);
  }
  EXPECT_EQ(run({"-$", "p.cl"}, {"CCLZEL=" + root_ + "/none.txt"}), 255);  // the options file
  EXPECT_EQ(shown(err_.str()), "cclzel-Fatal-20 : Can't open : @/none.txt\n");

  runner_.statuses = {0, -1};
  EXPECT_EQ(run({"-$", "p.cl"}), 255);
  EXPECT_EQ(err_.str(), "cclzel-Fatal-116 : Can't execute \"" + root_ + "/bin/asmzel\"\n");
  EXPECT_EQ(runner_.starts.size(), 2u);
  EXPECT_EQ(leftovers_, 0);
}

}  // namespace
}  // namespace kz::driver
