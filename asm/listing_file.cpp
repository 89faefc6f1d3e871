#include "asm/listing_file.h"

#include "asm/listing_line.h"
#include "common/host_path.h"

namespace kz::assembler {
namespace {

constexpr std::size_t kListingBuffer = 1 << 16;

// "%-10s%-27s" with "Location" and "Object", then the rest; counted as three lines.
constexpr std::string_view kColumnHeader =
    "Location  Object                     Ins   Line Source Statement\r\n\r\n";
constexpr long kColumnHeaderLines = 3;

std::uint64_t lineKey(int fileIndex, long line) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(fileIndex)) << 32) |
         static_cast<std::uint32_t>(line);
}

}  // namespace

ListingFile::ListingFile(const RunOptions& options, std::string name, std::FILE* standardOutput,
                         bool lineWidthGiven)
    : options_(options),
      name_(std::move(name)),
      standardOutput_(standardOutput),
      lineWidthGiven_(lineWidthGiven) {}

ListingFile::~ListingFile() { close(); }

bool ListingFile::open() {
  if (deviceKindOf(name_) == DeviceKind::console) {
    stream_ = standardOutput_;
    toConsole_ = true;
  } else {
    stream_ = std::fopen(withHostSeparators(name_).c_str(), "wb");
    if (!stream_) return false;
    std::setvbuf(stream_, nullptr, _IOFBF, kListingBuffer);
  }
  PageLayout layout;
  layout.paged = options_.paged;
  layout.pageLength = options_.pageLength;
  if (lineWidthGiven_) layout.lineWidth = options_.lineWidth;
  pager_ = std::make_unique<ListingPager>(stream_, name_, layout, name_);
  return true;
}

bool ListingFile::close() {
  if (!stream_) return true;
  std::FILE* stream = stream_;
  stream_ = nullptr;
  pager_.reset();
  if (toConsole_) return std::fflush(stream) == 0;
  return std::fclose(stream) == 0;
}

bool ListingFile::wantsSymbolTable() const {
  return options_.listingKind == ListingKind::plain ||
         options_.listingKind == ListingKind::crossRef;
}

// --- statement lines ---

void ListingFile::beginFinalPass(SourceReader& reader, const SymbolTable& symbols) {
  reader_ = &reader;
  symbols_ = &symbols;
  reader.rewindSource(ReadPurpose::listing);
  labelLines_.clear();
  symbols.forEachInChainOrder(ChainSet::symbols, [&](SymbolIndex, const symbolEntry& symbol) {
    if (symbol.state == symbolState::label)
      labelLines_.insert(lineKey(symbol.definitionFile, symbol.definitionLine));
  });
  listOn_ = true;
  savedListOn_.clear();
}

bool ListingFile::isLabelLine(const EmittedStatement& statement) const {
  return labelLines_.count(lineKey(statement.fileIndex, statement.line)) != 0;
}

void ListingFile::statement(const EmittedStatement& statement) {
  SourceLine line;
  bool read = reader_ && reader_->nextLine(line);
  long runningCount = reader_ ? reader_->totalLines() : 0;
  if (options_.listingKind == ListingKind::crossRef) {
    runningLines_.note(statement.fileIndex, statement.line, runningCount);
  }
  followControl(statement);
  if (listOn_ && pager_)
    listStatement(statement, read ? line.text : std::string_view{}, runningCount);
  if (pager_ &&
      (statement.control == ListingControl::eject || statement.control == ListingControl::title)) {
    pager_->requestPage();
  }
}

void ListingFile::followControl(const EmittedStatement& statement) {
  switch (statement.control) {
    case ListingControl::title:
      if (pager_) pager_->setTitle(statement.title);
      break;
    case ListingControl::list:
      listOn_ = true;
      break;
    case ListingControl::nolist:
      listOn_ = false;
      break;
    case ListingControl::save:
      savedListOn_.push_back(listOn_);
      break;
    case ListingControl::restore:
      if (!savedListOn_.empty()) {
        listOn_ = savedListOn_.back();
        savedListOn_.pop_back();
      }
      break;
    default:
      break;
  }
}

void ListingFile::listStatement(const EmittedStatement& statement, std::string_view text,
                                long runningCount) {
  pager_->startRequestedPage();
  StatementColumns columns;
  columns.location = locationField(statement, isLabelLine(statement));
  columns.objectPieces = objectPieces(statement);
  columns.relocated = needsRelocation(statement);
  columns.includeLevel = reader_ ? reader_->depth() : 0;
  columns.line = statement.line;
  columns.runningCount = runningCount;
  columns.source = text;
  for (const std::string& line : formatStatementLines(columns, pager_->layout().lineWidth)) {
    writeBodyLine(line);
  }
}

void ListingFile::includeEntered(int fileIndex) {
  if (reader_) reader_->reenterInclude(fileIndex);
}

// Statement and message lines: the column header comes before the first of them on a page.
void ListingFile::writeBodyLine(std::string_view text) {
  pager_->breakIfDue();
  if (pager_->page() != columnHeaderPage_) {
    pager_->writeBlock(kColumnHeader, kColumnHeaderLines);
    columnHeaderPage_ = pager_->page();
  }
  pager_->writeLine(text);
}

void ListingFile::writeMessageLine(std::string_view text) {
  if (pager_) writeBodyLine(text);
}

// --- the end ---

void ListingFile::endFinalPass(Diagnostics& diagnostics, const std::string& moduleName) {
  if (wantsSymbolTable() && symbols_) {
    symbolListing_ = std::make_unique<SymbolListing>(*symbols_, moduleName, options_.listingKind);
    if (!symbolListing_->prepare(sortTableLimit_)) {
      diagnostics.beginStatement(0, 0);
      diagnostics.reportWarning(Message::noSortTable);
      diagnostics.flushRemaining();
    }
  }
  writeSummary(diagnostics.errorCount(), diagnostics.warningCount());
}

// A blank line first unless the page body is empty; a new page instead when the summary
// does not fit on this one.
void ListingFile::writeSummary(int errorCount, int warningCount) {
  if (!pager_) return;
  char first[96];
  char second[96] = "";
  if (errorCount == 0 && warningCount == 0) {
    std::snprintf(first, sizeof first, "%s %s", "Assembly complete,", "No error");
  } else if (errorCount == 0) {
    std::snprintf(first, sizeof first, "%s %5d %s", "Assembly complete,", warningCount,
                  "warning error(s)");
  } else {
    std::snprintf(first, sizeof first, "%s %5d %s", "Assembly complete,", errorCount, "error(s)");
    if (warningCount != 0) {
      std::snprintf(second, sizeof second, "                   %5d %s", warningCount,
                    "warning error(s)");
    }
  }
  long summaryLines = second[0] != '\0' ? 2 : 1;
  bool newPage = pager_->startRequestedPage();
  if (!newPage && (pager_->page() == 0 || pager_->linesLeft() < summaryLines + 1)) {
    pager_->startPage();
  } else if (!newPage && !pager_->bodyEmpty()) {
    pager_->writeBlock("\r\n", 1);
  }
  pager_->writeBlock(std::string(first) + "\r\n", 1);
  if (summaryLines == 2) pager_->writeBlock(std::string(second) + "\r\n", 1);
}

void ListingFile::appendSymbolTable(WorkFile& references, bool diskWorkFile) {
  if (!symbolListing_ || !pager_) return;
  symbolListing_->write(*pager_, runningLines_, references, diskWorkFile);
}

}  // namespace kz::assembler
