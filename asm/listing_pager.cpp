#include "asm/listing_pager.h"

#include <algorithm>
#include <limits>

#include "asm/console.h"
#include "asm/reporter.h"
#include "common/fatal_error.h"

namespace kz::assembler {
namespace {

// Form feed, banner title, version and page field: a header line with the title cut to
// width - 58 characters is exactly the width.
constexpr int kHeaderWidthBeforeTitle = 58;

}  // namespace

ListingPager::ListingPager(std::FILE* stream, std::string fileName, PageLayout layout,
                           std::string title)
    : stream_(stream), fileName_(std::move(fileName)), layout_(layout), title_(std::move(title)) {}

std::string ListingPager::pageHeader(int page, std::string_view title,
                                     std::optional<int> lineWidth) {
  char pageField[32];
  std::snprintf(pageField, sizeof pageField, "[Page %5d]  ", page);
  std::string header = "\f";
  header += kBannerTitle;
  header += " ";
  header += kVersion;
  header += "  ";
  header += pageField;
  if (lineWidth) {
    auto room = static_cast<std::size_t>(std::max(*lineWidth - kHeaderWidthBeforeTitle, 0));
    title = title.substr(0, room);
  }
  header += title;
  header += "\r\n\r\n";
  return header;
}

void ListingPager::put(std::string_view bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) {
    raiseFatal(Message::cantWrite, fileName_);
  }
}

void ListingPager::startPage() {
  ++page_;
  put(pageHeader(page_, title_, layout_.lineWidth));
  bodyLines_ = 0;
  pageRequested_ = false;
}

bool ListingPager::breakIfDue() {
  if (page_ != 0 && linesLeft() > 0) return false;
  startPage();
  return true;
}

void ListingPager::requestPage() {
  if (layout_.paged) pageRequested_ = true;
}

bool ListingPager::startRequestedPage() {
  if (!pageRequested_) return false;
  startPage();
  return true;
}

long ListingPager::linesLeft() const {
  if (!layout_.paged) return std::numeric_limits<long>::max();
  return layout_.pageLength - 1 - bodyLines_;
}

void ListingPager::writeLine(std::string_view text) {
  breakIfDue();
  put(text);
  put("\r\n");
  ++bodyLines_;
}

void ListingPager::writeBlock(std::string_view text, long lines) {
  if (page_ == 0) startPage();
  put(text);
  bodyLines_ += lines;
}

}  // namespace kz::assembler
