#include "cfront/preprocessor.h"

#include "cfront/source_text.h"

namespace kz::cfront {

Preprocessor::Preprocessor(const RunOptions& options, Diagnostics& diagnostics,
                           std::optional<long long> sourceDateEpoch)
    : options_(options), diagnostics_(diagnostics), sourceDateEpoch_(sourceDateEpoch) {}

Preprocessor::~Preprocessor() = default;

void Preprocessor::definePredefined() {
  struct Special {
    const char* name;
    std::uint8_t kind;
  };
  for (Special special : {Special{"defined", macro_kind::kDefined},
                          {"__DATE__", macro_kind::kDate},
                          {"__TIME__", macro_kind::kTime},
                          {"__FILE__", macro_kind::kFile},
                          {"__LINE__", macro_kind::kLine}}) {
    auto macro = std::make_unique<Macro>();
    macro->name = special.name;
    macro->kind = special.kind;
    macros_.add(std::move(macro));
  }
  defineFixed("__Xmsdos__", "1");
}

void Preprocessor::defineAfterOptions() {
  macros_.remove("__STDC__");
  defineFixed("__STDC__", options_.ansiMode ? "1" : "0");
  macros_.remove("__ZEL__");
  defineFixed("__ZEL__", "1");
}

void Preprocessor::defineFixed(std::string_view name, std::string_view body) {
  std::unique_ptr<Macro> macro = definitionFromText(name, body);
  macro->kind = macro_kind::kFixedText;
  macros_.add(std::move(macro));
}

std::unique_ptr<Macro> Preprocessor::definitionFromText(std::string_view name,
                                                        std::string_view body) {
  std::string_view kept = keep(std::string(name) + ' ' + std::string(body) + '\n');
  Lexer lexer(kept, 0, nullptr);
  std::vector<Token> tokens;
  for (Token token = lexer.next();
       token.kind != TokenKind::newline && token.kind != TokenKind::endOfFile; token = lexer.next())
    tokens.push_back(token);
  return parseDefinition(tokens);
}

std::uint16_t Preprocessor::fileIndexOf(const std::string& name) {
  auto found = fileIndex_.find(name);
  if (found != fileIndex_.end()) return found->second;
  auto index = static_cast<std::uint16_t>(fileNames_.size());
  if (fileNames_.size() < 0xFFFF) {
    fileNames_.push_back(name);
    fileIndex_.emplace(name, index);
  } else {
    index = 0xFFFF;  // names beyond the table share the last slot
    if (fileNames_.size() == 0xFFFF) fileNames_.push_back(name);
    fileNames_.back() = name;
  }
  return index;
}

void Preprocessor::openPrimary(const std::optional<std::string>& name, std::string rawText) {
  openPrimary(name, SourceBuffer(std::move(rawText)));
}

void Preprocessor::openPrimary(const std::optional<std::string>& name, SourceBuffer rawText) {
  enterFile(name ? *name : std::string(), std::move(rawText));
}

void Preprocessor::enterFile(const std::string& name, SourceBuffer rawText) {
  std::shared_ptr<const SourceBuffer>& text = fileTexts_[name];
  if (!text) {
    rawText.clean(options_.kanjiText);
    text = std::make_shared<const SourceBuffer>(std::move(rawText));
  }
  std::uint16_t index = fileIndexOf(name);
  levels_.push_back(std::make_unique<Level>(text, index, &diagnostics_));
  Level& level = *levels_.back();
  lexer_ = &level.lexer;
  level.conditionalDepth = conditionals_.size();
  level.lexer.setKeepComments(options_.keepComments());
  level.lexer.setKanji(options_.kanjiText);
  if (records_) records_->sourceFileEntered(name, 1);
}

SourcePosition Preprocessor::position() const {
  if (levels_.empty()) return {};
  const Level& level = *levels_.back();
  return {&fileNames_[level.file], directiveLine_ ? *directiveLine_ : level.lexer.line(),
          includeDepth()};
}

void Preprocessor::push(const Token& token) {
  pending_.push_back(token);
  if (pending_.size() > kMaxPendingTokens) diagnostics_.report(Message::outOfSpace);
}

void Preprocessor::pushReversed(std::span<const Token> tokens) {
  if (pending_.size() + tokens.size() > kMaxPendingTokens) diagnostics_.report(Message::outOfSpace);
  pending_.insert(pending_.end(), tokens.rbegin(), tokens.rend());
}

Token Preprocessor::raw() {
  Token token;
  readRaw(token);
  return token;
}

void Preprocessor::readRaw(Token& token) {
  if (!pending_.empty()) {
    token = pending_.back();
    pending_.pop_back();
    return;
  }
  lexFile(token);
}

void Preprocessor::lexFile(Token& token) {
  lexer_->next(token);
  settleLexed(token);
}

void Preprocessor::settleLexed(Token& token) {
  for (;; lexer_->next(token, dropNewlines_)) {
    if (token.kind == TokenKind::newline && dropNewlines_) continue;
    resetMadeCounts();
    if (!token.has(token_flag::kLineStart) || token.kind != TokenKind::punctuator ||
        token.text != "#") {
      return;
    }
    directive(token);
    if (!active_) skipGroup();
    if (!pending_.empty()) {
      readRaw(token);
      return;
    }
  }
}

bool Preprocessor::endOfFile() {
  Level& level = *levels_.back();
  if (conditionals_.size() > level.conditionalDepth) {
    diagnostics_.report(Message::eofInConditional);
    conditionals_.resize(level.conditionalDepth);
    active_ = true;
  }
  if (levels_.size() == 1) return false;
  levels_.pop_back();
  lexer_ = &levels_.back()->lexer;
  if (records_) {
    const Level& outer = *levels_.back();
    records_->sourceFileEntered(fileNames_[outer.file], outer.lexer.line());
  }
  return true;
}

// One token variable throughout, so that it is the caller's and tokens are not copied out.
void Preprocessor::expandFrom(Token& token) {
  for (;; readRaw(token)) {
    if (token.kind == TokenKind::endOfFile) {
      if (endOfFile()) continue;
      return;
    }
    if (token.kind != TokenKind::identifier || token.has(token_flag::kNoExpand)) return;
    const Macro* macro = macros_.find(token.text);
    if (!macro) return;
    if (hideSets_.contains(token.hideSet, macro->id)) {
      token.flags |= token_flag::kNoExpand;
      return;
    }
    if (!expandMacro(*macro, token)) return;
  }
}

Preprocessor::CallLevel::CallLevel(Preprocessor& preprocessor)
    : buffers(preprocessor.callDepth_ < preprocessor.callBuffers_.size()
                  ? *preprocessor.callBuffers_[preprocessor.callDepth_]
                  : *preprocessor.callBuffers_.emplace_back(std::make_unique<CallBuffers>())),
      preprocessor_(preprocessor) {
  ++preprocessor_.callDepth_;
}

std::string Preprocessor::spellingOf(std::span<const Token> tokens) const {
  std::string text;
  for (const Token& token : tokens) {
    if (!text.empty() && token.has(token_flag::kLeadingSpace)) text += ' ';
    text += token.text;
  }
  return text;
}

bool splitCommandLineDefinition(std::string_view text, std::string_view& name,
                                std::string_view& body) {
  if (text.empty() || !isIdentifierStart(text[0])) return false;
  std::size_t end = 1;
  while (end < text.size() && isIdentifierChar(text[end])) ++end;
  name = text.substr(0, end);
  if (end == text.size()) {
    body = "1";
    return true;
  }
  if (text[end] != '=') return false;
  body = text.substr(end + 1);
  return true;
}

void Preprocessor::defineFromCommandLine(std::string_view text) {
  std::string_view name;
  std::string_view body;
  if (!splitCommandLineDefinition(text, name, body)) {
    diagnostics_.report(Message::illegalMacroName);
    return;
  }
  if (auto macro = definitionFromText(name, body)) addDefinition(std::move(macro));
}

void Preprocessor::undefineFromCommandLine(std::string_view name) { macros_.remove(name); }

void Preprocessor::undefinePredefined() {
  for (const char* name :
       {"__LINE__", "__FILE__", "__DATE__", "__TIME__", "__STDC__", "__Xmsdos__"})
    macros_.remove(name);
}

}  // namespace kz::cfront
