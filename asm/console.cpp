#include "asm/console.h"

#include "asm/messages.h"
#include "asm/reporter.h"
#include "common/fatal_error.h"
#include "common/install_root.h"
#include "common/notice.h"

namespace kz::assembler {
namespace {

constexpr std::size_t kMaxRootLength = 243;
constexpr std::size_t kHelpLine = 512;

}  // namespace

void printHelpFile(const ProgramEnvironment& environment, std::FILE* out) {
  for (const std::string& root : installRootCandidates(environment)) {
    if (root.size() > kMaxRootLength) raiseFatal(Message::outOfMemory);
    std::FILE* help = std::fopen((root + "/etc/asmzel.hlp").c_str(), "rb");
    if (!help) continue;
    char line[kHelpLine];
    while (std::fgets(line, sizeof line, help)) std::fputs(line, out);
    std::fclose(help);
    return;
  }
}

void printBanner(std::FILE* out) {
  std::fprintf(out, "%s %s\n%s\n\n", kBannerTitle, kVersion, kCopyrightNotice);
}

std::string formatFatal(int number, const std::string& argument) {
  std::string text(messageText(number));
  char numberField[16];
  std::snprintf(numberField, sizeof numberField, "%3d", number);
  std::string quoted = "\"" + argument + "\"";
  std::string line;
  if (fatalExitStatus(number) == kFileFatalStatus) {
    line = std::string(" ") + numberField + " : " + text + " " + quoted;
  } else if (number == messageNumber(Message::filesAreTheSame) && !argument.empty()) {
    line = std::string(numberField) + " : " + quoted + " " + text;
  } else if ((number == messageNumber(Message::missingParameter) ||
              number == messageNumber(Message::unrecognizedOption)) &&
             !argument.empty()) {
    line = std::string(numberField) + " : " + text + " " + quoted;
  } else {
    line = std::string(numberField) + " : " + text;
  }
  return "ASMZEL-Fatal-" + line + "\r\n";
}

void printFatal(const Console& console, int number, const std::string& argument) {
  std::fflush(console.out);
  std::fputs(formatFatal(number, argument).c_str(), console.err);
  std::fputs("ASMZEL  Terminated\n", console.err);
  std::fflush(console.err);
}

}  // namespace kz::assembler
