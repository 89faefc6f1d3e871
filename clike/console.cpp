#include "clike/console.h"

#include "common/install_root.h"
#include "common/notice.h"

namespace kz::clike {

void printHelpFile(const ProgramEnvironment& environment, std::FILE* out) {
  for (const std::string& root : installRootCandidates(environment)) {
    std::FILE* help = std::fopen((root + "/etc/clzel.hlp").c_str(), "rb");
    if (!help) continue;
    char block[8192];
    std::size_t count;
    while ((count = std::fread(block, 1, sizeof block, help)) > 0)
      std::fwrite(block, 1, count, out);
    std::fclose(help);
    return;
  }
}

void printBanner(std::FILE* out, int bannerLevel) {
  if (bannerLevel == 2) std::fprintf(out, "%s %s %s\n", kBannerTitle, kVersion, "");
  if (bannerLevel != 0) std::fprintf(out, "%s\n\n", kCopyrightNotice);
}

}  // namespace kz::clike
