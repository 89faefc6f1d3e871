#include "cfront/builtin_files.h"

#include <cctype>
#include <cstdio>

#include "cfront/source_text.h"
#include "common/host_path.h"

namespace kz::cfront {
namespace {

constexpr std::uint64_t kHeaderBytes = kHeaderLength + 2;  // with CR LF
constexpr std::uint64_t kIndexBytes = kIndexLength + 2;

// The next line of text from `at` without its line end; `at` moves past the line end.
std::optional<std::string_view> nextLine(std::string_view text, std::size_t& at) {
  if (at >= text.size()) return std::nullopt;
  std::size_t end = text.find('\n', at);
  std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
  std::string_view line = text.substr(at, (end == std::string_view::npos ? text.size() : end) - at);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  at = next;
  return line;
}

bool allDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// Bare LF line ends become CR LF, so positions in the store count as the index does.
std::string withCrLf(std::string_view text) {
  std::string converted;
  converted.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) converted += '\r';
    converted += text[i];
  }
  return converted;
}

// "{,12" or "},12,text": the number's place, when the line is a block line.
bool blockNumberOf(std::string_view line, std::size_t& begin, std::size_t& end) {
  if (line.size() < 3 || (line[0] != '{' && line[0] != '}') || line[1] != ',') return false;
  begin = 2;
  end = begin;
  while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
  return end > begin && (end == line.size() || line[end] == ',');
}

}  // namespace

std::string indexLine(std::string_view name, std::uint64_t offset) {
  char text[64];
  std::string cut(name.substr(0, 31));
  std::snprintf(text, sizeof text, "%-31s ,%08llu", cut.c_str(),
                static_cast<unsigned long long>(offset));
  return text;
}

void BodyStore::seek(std::uint64_t position) {
  if (!file_.seek(position)) diagnostics_.report(Message::cannotSeekTemporary);
}

void BodyStore::append(std::string_view bytes) {
  seek(file_.size());
  if (!file_.write(bytes.data(), bytes.size())) diagnostics_.report(Message::outputProblem);
}

std::string BodyStore::bodyAt(std::uint64_t offset) {
  seek(offset);
  std::string body;
  char block[kCopyBlock];
  for (;;) {
    std::size_t read = file_.read(block, sizeof block);
    body.append(block, read);
    std::size_t end = body.find("},1\r\n");
    if (end == std::string::npos) end = body.find("},1\n");
    if (end != std::string::npos && (end == 0 || body[end - 1] == '\n')) {
      body.resize(body.find('\n', end) + 1);
      return body;
    }
    if (read < sizeof block) return body;
  }
}

void BodyStore::copyTo(OutputFile& output, std::uint64_t begin, std::uint64_t end) {
  seek(begin);
  char block[kCopyBlock];
  for (std::uint64_t left = end - begin; left > 0;) {
    std::size_t wanted = left < sizeof block ? static_cast<std::size_t>(left) : sizeof block;
    std::size_t read = file_.read(block, wanted);
    if (read < wanted) diagnostics_.report(Message::inputProblem);
    output.write(std::string_view(block, read));
    left -= read;
  }
}

void BuiltinFileMaker::bodyBegins(std::string_view name) {
  entries_.push_back({std::string(name), store_.size(), store_.size()});
  inBody_ = true;
}

void BuiltinFileMaker::bodyEnds() {
  entries_.back().end = store_.size();
  inBody_ = false;
}

void BuiltinFileMaker::write(std::string_view text) {
  if (!inBody_) return;
  line_.clear();
  for (char c : text) {
    if (c == '\n') line_ += '\r';
    line_ += c;
  }
  store_.append(line_);
}

void BuiltinFileMaker::writeFile(OutputFile& output) {
  char header[32];
  std::snprintf(header, sizeof header, "%08lu\r\n", static_cast<unsigned long>(entries_.size()));
  output.write(header);
  std::uint64_t offset = kHeaderBytes + kIndexBytes * entries_.size();
  for (const Entry& entry : entries_) {
    output.write(indexLine(entry.name, offset));
    output.write("\r\n");
    offset += entry.end - entry.start;
  }
  for (const Entry& entry : entries_) store_.copyTo(output, entry.start, entry.end);
}

BuiltinLibrary::BuiltinLibrary(BodyStore& store, Diagnostics& diagnostics, FunctionMarks& marks,
                               std::vector<std::string> includeDirs)
    : store_(store),
      diagnostics_(diagnostics),
      marks_(marks),
      includeDirs_(std::move(includeDirs)) {}

std::optional<std::string> BuiltinLibrary::find(const std::string& name, bool angled) const {
  if (isAbsoluteName(name) || name.find(':') != std::string::npos) return name;
  for (std::size_t slot = angled ? 1 : 0; slot < includeDirs_.size(); ++slot) {
    std::string candidate = includeDirs_[slot] + name;
    if (fileExists(withHostSeparators(candidate))) return candidate;
  }
  return std::nullopt;
}

void BuiltinLibrary::readBuiltinFile(const std::string& name, bool angled) {
  std::optional<std::string> path = find(name, angled);
  std::string text;
  if (!path || readRegularFile(withHostSeparators(*path), text) != ReadResult::ok) {
    diagnostics_.report(Message::cannotOpenBuiltinFile, {name});
    return;
  }
  std::size_t at = 0;
  std::optional<std::string_view> header = nextLine(text, at);
  if (!header || header->size() != kHeaderLength || !allDigits(header->substr(0, 1))) {
    diagnostics_.report(Message::cannotOpenBuiltinFile, {name});
    return;
  }
  std::vector<Entry> entries;
  std::uint64_t count = std::strtoull(std::string(*header).c_str(), nullptr, 10);
  entries.reserve(count < 4096 ? count : 4096);
  std::uint64_t bodiesStart = kHeaderBytes + kIndexBytes * count;
  for (std::uint64_t i = 0; i < count; ++i) {
    std::optional<std::string_view> line = nextLine(text, at);
    std::string_view offsetText =
        line && line->size() == kIndexLength ? line->substr(kIndexLength - 8) : std::string_view();
    std::uint64_t offset =
        allDigits(offsetText) ? std::strtoull(std::string(offsetText).c_str(), nullptr, 10) : 0;
    if (!allDigits(offsetText) || line->substr(31, 2) != " ," || offset < bodiesStart) {
      // Where the bodies begin is not known: nothing of this file is used.
      diagnostics_.report(Message::inputProblem);
      return;
    }
    entries.push_back({std::string(line->substr(0, line->find(' '))), offset - bodiesStart});
  }
  std::uint64_t base = store_.size();
  store_.append(withCrLf(std::string_view(text).substr(at)));
  for (const Entry& entry : entries) enter(entry, base);
}

void BuiltinLibrary::enter(const Entry& entry, std::uint64_t base) {
  if (const Symbol* previous = lookUp_ ? lookUp_(entry.name) : nullptr) {
    if (previous->kind != SymbolKind::function) {
      diagnostics_.report(Message::redeclaration, {entry.name});
      return;
    }
    if (!mayBeInline(*previous)) {
      diagnostics_.report(Message::illegalInlineFunctionType, {entry.name});
      return;
    }
  }
  marks_.builtinFunctions.insert(entry.name);
  bodies_[entry.name] = base + entry.bodyOffset;
}

std::optional<std::uint64_t> BuiltinLibrary::bodyOf(std::string_view name) const {
  auto found = bodies_.find(std::string(name));
  if (found == bodies_.end()) return std::nullopt;
  return found->second;
}

void BuiltinLibrary::keepInlineBody(std::string_view name, std::string_view records) {
  inlineBodies_[std::string(name)] = store_.size();
  store_.append(withCrLf(records));
}

std::optional<std::string> BuiltinLibrary::storedBody(std::string_view name, bool inlined) {
  const auto& bodies = inlined ? inlineBodies_ : bodies_;
  auto found = bodies.find(std::string(name));
  if (found == bodies.end()) return std::nullopt;
  return store_.bodyAt(found->second);
}

namespace {

// Records whose fields after the first are names or text, never operands.
constexpr std::string_view kTextRecords[] = {"BEGIN", "END", "DEFINE", "FILE",  "LINE", "DISINT",
                                             "asm",   "ASM", "OPT",    "STACK", "LOOP"};

bool isTextRecord(std::string_view first) {
  for (std::string_view name : kTextRecords)
    if (first == name) return true;
  return false;
}

// Gives each block, label and temporary number of one copied body a fresh number, the same
// one wherever the old number stands again in that copy.
class Renumbering {
 public:
  explicit Renumbering(const FreshNumbers& fresh) : fresh_(fresh) {}

  void line(std::string_view line, std::string& out) {
    std::size_t begin = 0;
    std::size_t end = 0;
    if (blockNumberOf(line, begin, end)) {
      out.append(line.substr(0, begin));
      out += std::to_string(renumbered(blocks_, line.substr(begin, end - begin), fresh_.block));
      out.append(line.substr(end));
      return;
    }
    if (!line.empty() && line[0] == '\t') {
      out += '\t';
      std::size_t comma = line.find(',');
      std::string_view first =
          line.substr(1, comma == std::string_view::npos ? line.size() : comma - 1);
      field(first, out);
      if (comma != std::string_view::npos) out.append(line.substr(comma));
      return;
    }
    std::size_t comma = line.find(',');
    if (comma == std::string_view::npos || isTextRecord(line.substr(0, comma))) {
      out.append(line);
      return;
    }
    out.append(line.substr(0, comma));
    while (comma != std::string_view::npos) {
      std::size_t next = line.find(',', comma + 1);
      out += ',';
      field(line.substr(comma + 1,
                        next == std::string_view::npos ? std::string_view::npos : next - comma - 1),
            out);
      comma = next;
    }
  }

 private:
  using Numbers = std::unordered_map<std::string, std::uint32_t>;

  // A temporary "T<n>" (also used indirectly, "*T<n>") or a label "L<n>" gets its fresh
  // number; any other field is kept.
  void field(std::string_view text, std::string& out) {
    std::size_t at = !text.empty() && text[0] == '*' ? 1 : 0;
    std::string_view digits = text.size() > at + 1 ? text.substr(at + 1) : std::string_view{};
    char letter = text.size() > at ? text[at] : '\0';
    if ((letter != 'T' && letter != 'L') || !allDigits(digits)) {
      out.append(text);
      return;
    }
    out.append(text.substr(0, at + 1));
    out += letter == 'T' ? std::to_string(renumbered(temporaries_, digits, fresh_.temporary))
                         : std::to_string(renumbered(labels_, digits, fresh_.label));
  }

  static std::uint32_t renumbered(Numbers& numbers, std::string_view old,
                                  const std::function<std::uint32_t()>& make) {
    auto [slot, added] = numbers.try_emplace(std::string(old), 0);
    if (added) slot->second = make();
    return slot->second;
  }

  const FreshNumbers& fresh_;
  Numbers blocks_;
  Numbers labels_;
  Numbers temporaries_;
};

}  // namespace

std::string renumberedBody(std::string_view body, const FreshNumbers& fresh) {
  Renumbering renumbering(fresh);
  std::string result;
  result.reserve(body.size() + body.size() / 8);
  std::size_t at = 0;
  while (std::optional<std::string_view> line = nextLine(body, at)) {
    renumbering.line(*line, result);
    result += '\n';
  }
  return result;
}

namespace {

// Calls `each` with every symbol line that follows the body's BEGIN line.
template <typename Each>
void forEachHeadLine(std::string_view body, Each each) {
  std::size_t at = 0;
  bool afterBegin = false;
  while (std::optional<std::string_view> line = nextLine(body, at)) {
    if (!afterBegin) {
      afterBegin = line->substr(0, 6) == "BEGIN,";
      continue;
    }
    if (line->empty() || (*line)[0] != '\t') return;
    each(*line);
  }
}

constexpr std::string_view kVariableArgumentsLine = "\t,\"\",0,0";

}  // namespace

std::size_t parameterCountOf(std::string_view body) {
  std::size_t count = 0;
  forEachHeadLine(body, [&](std::string_view line) {
    if (line.substr(0, 3) == "\t,\"" && line.substr(0, 4) != "\t,\"\"") ++count;
  });
  return count;
}

bool takesVariableArguments(std::string_view body) {
  bool variable = false;
  forEachHeadLine(body, [&](std::string_view line) { variable |= line == kVariableArgumentsLine; });
  return variable;
}

}  // namespace kz::cfront
