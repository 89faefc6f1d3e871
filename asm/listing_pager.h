#pragma once
// The pages of the assembly listing. Every byte of the listing file goes through here: the
// pager counts the lines of the current page body and writes the page header (form feed,
// program title, version, page number, listing title) before the first line and whenever a
// page is due. Without -lp only the first page header is written.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace kz::assembler {

struct PageLayout {
  bool paged = false;
  long pageLength = 65535;
  std::optional<int> lineWidth;  // only when given with -lw
};

class ListingPager {
 public:
  // fileName names the listing in fatal 23.
  ListingPager(std::FILE* stream, std::string fileName, PageLayout layout, std::string title);

  // One line and its CR LF; a page is started first when one is due.
  void writeLine(std::string_view text);
  // Bytes that belong together (their own line ends included), counted as `lines` lines of
  // the page body, without a page break inside.
  void writeBlock(std::string_view text, long lines);

  // Starts a page when none was started yet or, in a paged listing, when the body has
  // reached page length - 1 lines. Returns true when a page was started.
  bool breakIfDue();
  void startPage();
  // $EJECT or a new title: the next statement line starts a page (paged listings only).
  void requestPage();
  // Starts the requested page, if any. Returns true when it did.
  bool startRequestedPage();

  // Lines that still fit on the page body before a break is due.
  long linesLeft() const;
  bool bodyEmpty() const { return bodyLines_ == 0; }
  int page() const { return page_; }
  const PageLayout& layout() const { return layout_; }
  void setTitle(std::string title) { title_ = std::move(title); }

  // Text of the page header for a page number and title, cut to the width when one was given.
  static std::string pageHeader(int page, std::string_view title, std::optional<int> lineWidth);

 private:
  void put(std::string_view bytes);

  std::FILE* stream_;
  std::string fileName_;
  PageLayout layout_;
  std::string title_;
  int page_ = 0;
  long bodyLines_ = 0;
  bool pageRequested_ = false;
};

}  // namespace kz::assembler
