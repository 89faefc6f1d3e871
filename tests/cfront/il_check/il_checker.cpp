#include "tests/cfront/il_check/il_checker.h"

#include "tests/cfront/il_check/il_check_state.h"

namespace kz::iltest {
namespace detail {

std::vector<IlProblem> Checker::run(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t newline = text.find('\n', start);
    ++line_;
    if (newline == std::string_view::npos) {
      checkLine(text.substr(start));
      problem("the last line has no newline");
      break;
    }
    checkLine(text.substr(start, newline - start));
    start = newline + 1;
  }
  ++line_;
  finishData();
  if (membersLeft_) problem("member lines missing at the end");
  if (pendingTemporary_) problemAt(pendingTemporaryLine_, "temporary never set");
  if (!cArguments_.empty() || !aArguments_.empty()) problem("arguments without their call");
  if (inFunction()) problem("function " + functionName_ + " has no END");
  if (expectCopiedBody_) problem("INLINE without its body");
  if (expectBegin_ || expectBlockEnd_) problem("function records cut short");
  if (line_ == 1) problem("empty file");
  return std::move(problems_);
}

void Checker::checkLine(std::string_view text) {
  if (text.empty()) {
    problem("empty line");
    return;
  }
  for (char c : text) {
    if (c == '\0' || c == '\r') {
      problem("control character in a line");
      return;
    }
  }
  bool isDataLine = text.size() > 2 && text[0] == '\t' && text[1] == ',' && text[2] != '"';
  if (!isDataLine) finishData();
  if (membersLeft_ && text.substr(0, 3) != "\t,\"") {
    problem(number(membersLeft_) + " member lines missing");
    membersLeft_ = 0;
  }
  if (expectBegin_ && text.substr(0, 6) != "BEGIN,") {
    problem("'{,1' not followed by BEGIN");
    expectBegin_ = false;
  }
  if (expectBlockEnd_ && text != blockEnd_) problem("END not followed by '" + blockEnd_ + "'");
  expectBlockEnd_ = false;
  if (text[0] == '\t') {
    declaration(text.substr(1));
    return;
  }
  if (header_ == Header::functionType || header_ == Header::functionSymbol)
    problem("function header without its type line and symbol line");
  header_ = Header::none;
  record(text);
}

}  // namespace detail

std::vector<IlProblem> checkIntermediateFile(std::string_view text) {
  return detail::Checker().run(text);
}

}  // namespace kz::iltest
