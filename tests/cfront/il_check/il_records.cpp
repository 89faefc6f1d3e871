// Records: markers, blocks, functions, instructions, operands and calls.
#include <algorithm>

#include "tests/cfront/il_check/il_check_state.h"

namespace kz::iltest::detail {

// Every mnemonic of operator codes 0-74, by the form its line takes.
constexpr MnemonicShape kMnemonics[] = {
    {"dummy", Shape::other},    {"=", Shape::assign},        {"conv", Shape::assign},
    {"aconv", Shape::assign},   {"+=", Shape::compound},     {"-=", Shape::compound},
    {"*=", Shape::compound},    {"/=", Shape::compound},     {"%=", Shape::compound},
    {"<<=", Shape::compound},   {">>=", Shape::compound},    {"&=", Shape::compound},
    {"|=", Shape::compound},    {"^=", Shape::compound},     {"+", Shape::binary},
    {"-", Shape::binary},       {"*", Shape::binary},        {"/", Shape::binary},
    {"%", Shape::binary},       {"<<", Shape::binary},       {">>", Shape::binary},
    {"&", Shape::binary},       {"|", Shape::binary},        {"^", Shape::binary},
    {"add", Shape::binary},     {"offset", Shape::binary},   {"sub", Shape::binary},
    {"moffset", Shape::binary}, {"psub", Shape::binary},     {"pminus", Shape::binary},
    {"mem", Shape::binary},     {"ldst", Shape::binary},     {"UPLUS", Shape::unary},
    {"UMINUS", Shape::unary},   {"~", Shape::unary},         {"!", Shape::unary},
    {"ADDR", Shape::unary},     {"++", Shape::step},         {"--", Shape::step},
    {"<=", Shape::binary},      {"<", Shape::binary},        {">=", Shape::binary},
    {">", Shape::binary},       {"==", Shape::binary},       {"!=", Shape::binary},
    {"&&", Shape::binary},      {"||", Shape::binary},       {"QULOG", Shape::other},
    {"CMLOG", Shape::other},    {"?", Shape::other},         {":", Shape::other},
    {",", Shape::other},        {"CCALL", Shape::cCall},     {"CCALP", Shape::cCall},
    {"ACALL", Shape::aCall},    {"ACALP", Shape::aCall},     {"INLINE", Shape::inlineCall},
    {"HIDDEN", Shape::other},   {"TADDR", Shape::other},     {"ARG", Shape::other},
    {"CARG", Shape::cArgument}, {"AARG", Shape::aArgument},  {"FALSE", Shape::test},
    {"TRUE", Shape::test},      {"JMP", Shape::jump},        {"LAB", Shape::label},
    {"asm", Shape::text},       {"ASM", Shape::text},        {"return", Shape::other},
    {"BITASS", Shape::other},   {"BIT_ASSOP", Shape::other}, {"BIT_OP", Shape::other},
};
const MnemonicShape* findMnemonic(std::string_view name) {
  for (const MnemonicShape& entry : kMnemonics)
    if (entry.name == name) return &entry;
  return nullptr;
}

void Checker::record(std::string_view text) {
  std::vector<std::string_view> fields = splitFields(text);
  std::string_view head = fields[0];
  if (pendingTemporary_ && !findMnemonic(head)) {
    problemAt(pendingTemporaryLine_, "temporary not set by the next line");
    pendingTemporary_ = 0;
  }
  if (head != "CARG" && head != "CCALL" && head != "CCALP" && head != "INLINE" &&
      !cArguments_.empty())
    argumentsMustEnd();
  if (head != "AARG" && head != "ACALL" && head != "ACALP" && head != "INLINE" &&
      !aArguments_.empty())
    argumentsMustEnd();
  if (expectCopiedBody_ && head != "{") {
    problem("INLINE not followed by the copied body");
    expectCopiedBody_ = false;
  }
  auto count = [&](std::size_t least, std::size_t most) {
    if (fields.size() >= least && fields.size() <= most) return true;
    problem("'" + std::string(head) + "' record with " + number(fields.size()) + " fields");
    return false;
  };
  auto numberField = [&](std::size_t at) -> std::optional<std::uint32_t> {
    auto value = unsignedNumber(fields[at]);
    if (!value) problem("number expected in '" + std::string(head) + "' record");
    return value;
  };
  if (head == "FILE") {
    if (fields.size() < 2 || fields[1].empty()) problem("FILE record without a name");
  } else if (head == "LINE") {
    if (count(2, 3)) {
      numberField(1);
      if (fields.size() == 3) numberField(2);
    }
  } else if (head == "STACK" || head == "LOOP") {
    if (count(2, 2) && fields[1] != "0" && fields[1] != "1") problem("value must be 0 or 1");
  } else if (head == "OPT" || head == "DISINT") {
    if (count(2, 2) && !signedNumber(fields[1])) problem("number expected");
    if (head == "DISINT" && inFunction()) problem("DISINT inside a function");
  } else if (head == "DEFINE") {
    if (fields.size() < 3 || fields[1].empty()) problem("DEFINE record without name and body");
  } else if (head == "{" || head == "}") {
    if (count(2, 2))
      if (auto block = numberField(1)) head == "{" ? blockOpen(*block) : blockClose(*block);
  } else if (head == "BEGIN" || head == "END") {
    if (fields.size() < 2 || fields[1].empty() || fields[1].size() > kCNameLength)
      problem("function name missing or longer than 31");
    else
      head == "BEGIN" ? begin(text.substr(6)) : end(text.substr(4));
  } else if (const MnemonicShape* entry = findMnemonic(head)) {
    instruction(*entry, fields);
  } else {
    problem("unknown record '" + std::string(head.substr(0, 40)) + "'");
  }
}

void Checker::blockOpen(std::uint32_t block) {
  if (expectCopiedBody_) {
    expectCopiedBody_ = false;
    if (block == 1) problem("copied body opened as block 1");
    copiedBlock_ = block;
    expectBegin_ = true;
  }
  if (block == 1) {
    if (inFunction() || !blocks_.empty()) problem("function opened inside a function");
    expectBegin_ = true;
    return;
  }
  if (!inFunction()) problem("block outside a function");
  if (!blockNumbers_.insert(block).second) problem("block " + number(block) + " opened twice");
  blocks_.push_back(block);
}

void Checker::blockClose(std::uint32_t block) {
  if (block == 1) {
    if (inFunction()) problem("'},1' before END");
    return;
  }
  if (blocks_.empty() || blocks_.back() != block) {
    problem("block " + number(block) + " closed but not the innermost open one");
    return;
  }
  blocks_.pop_back();
}

void Checker::begin(std::string_view name) {
  if (!expectBegin_) problem("BEGIN without '{,1'");
  expectBegin_ = false;
  // Temporaries are numbered upwards through the whole run: a copied body goes on with its
  // caller's numbers, and the caller after it with the body's.
  if (copiedBlock_) {
    std::uint32_t temporariesBefore = lastTemporary_;
    callers_.emplace_back();
    callers_.back().blockEnd = "}," + number(copiedBlock_);
    swapFunctionState(callers_.back());
    copiedBlock_ = 0;
    lastTemporary_ = temporariesBefore;
  }
  functionName_ = std::string(name);
  header_ = Header::functionType;
  returnType_ = 0;
  parameters_.clear();
  variadic_ = false;
  automatics_.clear();
  temporaries_.clear();
  functionLabels_.clear();
  jumps_.clear();
  nextLocalType_ = IlTypes::kFirstLocal;
}

void Checker::end(std::string_view name) {
  if (!inFunction()) {
    problem("END outside a function");
    return;
  }
  if (name != functionName_) problem("END names " + std::string(name) + ", not " + functionName_);
  if (!blocks_.empty()) problem("END with block " + number(blocks_.back()) + " still open");
  blocks_.clear();
  for (const auto& [target, at] : jumps_)
    if (!functionLabels_.count(target))
      problemAt(at, "jump to L" + number(target) + ", not defined in the function");
  functionName_.clear();
  types_.leaveFunction();
  expectBlockEnd_ = true;
  blockEnd_ = "},1";
  if (callers_.empty()) return;
  std::uint32_t temporariesOfBody = lastTemporary_;
  swapFunctionState(callers_.back());
  lastTemporary_ = std::max(lastTemporary_, temporariesOfBody);
  blockEnd_ = callers_.back().blockEnd;
  callers_.pop_back();
}

void Checker::swapFunctionState(FunctionState& state) {
  functionName_.swap(state.name);
  std::swap(header_, state.header);
  std::swap(returnType_, state.returnType);
  parameters_.swap(state.parameters);
  std::swap(variadic_, state.variadic);
  automatics_.swap(state.automatics);
  temporaries_.swap(state.temporaries);
  std::swap(lastTemporary_, state.lastTemporary);
  calls_.swap(state.calls);
  blocks_.swap(state.blocks);
  functionLabels_.swap(state.functionLabels);
  jumps_.swap(state.jumps);
  std::swap(nextLocalType_, state.nextLocalType);
  types_.swapLocal(state.localTypes);
}

void Checker::jumpTo(std::string_view field) {
  auto target = numbered(field, "L");
  if (!target) {
    problem("label operand expected, found '" + std::string(field) + "'");
    return;
  }
  jumps_.emplace_back(*target, line_);
}

std::optional<OperandView> Checker::operand(std::string_view text, bool writes) {
  auto view = parseOperand(text);
  if (!view) {
    problem("malformed operand '" + std::string(text.substr(0, 40)) + "'");
    return std::nullopt;
  }
  if (writes && !isWritable(*view)) problem("result '" + std::string(text) + "' cannot be written");
  auto undeclared = [&](const char* what) {
    problem(std::string(what) + " " + std::string(text) + " used before its declaration");
  };
  switch (view->kind) {
    case OperandKind::temporary:
      if (!temporaries_.count(view->number)) undeclared("temporary");
      break;
    case OperandKind::automatic:
      if (!automatics_.count(view->number)) undeclared("automatic");
      break;
    case OperandKind::staticObject:
      if (!statics_.count(view->number)) undeclared("static");
      break;
    case OperandKind::global:
      if (!globals_.count(std::string(view->name))) undeclared("global");
      break;
    case OperandKind::parameter:
      if (view->number == 0 || view->number > parameters_.size())
        problem("parameter " + std::string(text) + " not in the function's parameter lines");
      break;
    case OperandKind::result:
      if (returnType_ == 1) problem("result operand in a void function");
      break;
    default:
      break;
  }
  return view;
}

std::optional<std::uint32_t> Checker::operandType(const OperandView& view) const {
  auto lookUp = [](const auto& map, auto key) -> std::optional<std::uint32_t> {
    auto it = map.find(key);
    if (it == map.end() || it->second == 0) return std::nullopt;
    return it->second;
  };
  std::optional<std::uint32_t> type;
  switch (view.kind) {
    case OperandKind::temporary:
      type = lookUp(temporaries_, view.number);
      break;
    case OperandKind::automatic:
      type = lookUp(automatics_, view.number);
      break;
    case OperandKind::staticObject:
      type = lookUp(statics_, view.number);
      break;
    case OperandKind::global:
      type = lookUp(globals_, std::string(view.name));
      break;
    case OperandKind::parameter:
      if (view.number >= 1 && view.number <= parameters_.size())
        type = parameters_[view.number - 1];
      break;
    default:
      break;
  }
  if (type && view.indirect) type = types_.pointee(*type);
  if (type == 0u) return std::nullopt;
  return type;
}

std::uint64_t Checker::operandSize(const OperandView& view) const {
  if (view.size && !view.indirect) return view.size;
  auto type = operandType(view);
  return type ? types_.sizeOf(*type) : 0;
}

void Checker::argumentsMustEnd() {
  std::size_t at = !cArguments_.empty() ? cArguments_.front().line : aArguments_.front().line;
  problemAt(at, "arguments not followed by their call");
  cArguments_.clear();
  aArguments_.clear();
}

void Checker::instruction(const MnemonicShape& entry, const std::vector<std::string_view>& fields) {
  if (!inFunction() && entry.shape != Shape::text) {
    problem("'" + std::string(entry.name) + "' outside a function");
    return;
  }
  auto count = [&](std::size_t wanted) {
    if (fields.size() == wanted) return true;
    problem("'" + std::string(entry.name) + "' with " + number(fields.size()) + " fields");
    return false;
  };
  if (pendingTemporary_) {
    std::string wanted = "T" + number(pendingTemporary_);
    bool sets = fields.size() == 4 && fields[3] == wanted;
    if (!sets) problemAt(pendingTemporaryLine_, "temporary not set by the next line");
    pendingTemporary_ = 0;
  }
  switch (entry.shape) {
    case Shape::text:
      return;
    case Shape::label:
      if (count(2)) {
        auto target = numbered(fields[1], "L");
        if (!target) return problem("label operand expected");
        if (!labels_.insert(*target).second)
          problem("label L" + number(*target) + " defined twice");
        functionLabels_.insert(*target);
      }
      return;
    case Shape::jump:
      if (count(2)) jumpTo(fields[1]);
      return;
    case Shape::test:
      if (count(4)) {
        operand(fields[1], false);
        if (!fields[2].empty()) problem("third field of a test must be empty");
        jumpTo(fields[3]);
      }
      return;
    case Shape::cArgument:
      if (count(2))
        if (auto view = operand(fields[1], false))
          cArguments_.push_back({line_, 0, operandSize(*view)});
      return;
    case Shape::aArgument:
      return count(4) ? checkCall(entry, fields) : void();
    case Shape::cCall:
    case Shape::aCall:
      return count(4) ? checkCall(entry, fields) : void();
    case Shape::inlineCall:
      // The call line of the callee's convention, then the copied body.
      if (count(4)) {
        bool cForm = fields[2].substr(0, 1) == "#";
        checkCall(cForm ? *findMnemonic("CCALL") : *findMnemonic("ACALL"), fields);
      }
      expectCopiedBody_ = true;
      return;
    default:
      break;
  }
  if (!count(4)) return;
  bool needsFirst = entry.shape != Shape::other;
  bool needsSecond = entry.shape == Shape::assign || entry.shape == Shape::compound ||
                     entry.shape == Shape::binary;
  bool noSecond = entry.shape == Shape::unary || entry.shape == Shape::step;
  if (needsFirst && fields[1].empty()) problem("first operand missing");
  if (needsSecond && fields[2].empty()) problem("second operand missing");
  if (noSecond && !fields[2].empty()) problem("unary operator with a second operand");
  bool targetFirst =
      entry.shape == Shape::assign || entry.shape == Shape::compound || entry.shape == Shape::step;
  auto first = fields[1].empty() ? std::nullopt : operand(fields[1], targetFirst);
  auto second = fields[2].empty() ? std::nullopt : operand(fields[2], false);
  if (entry.name == "=" && first && second && second->sizeExact) {
    // A plain assignment converts nothing: both sides are of one size.
    std::uint64_t target = operandSize(*first), source = operandSize(*second);
    if (target && source && target != source)
      problem("'=' of " + number(source) + " bytes to " + number(target));
  }
  if (fields[3].empty()) {
    if (entry.shape != Shape::other) problem("result missing");
    return;
  }
  operand(fields[3], true);
  bool resultIsTarget =
      fields[3] == fields[1] || (entry.shape == Shape::assign && fields[3] == fields[2]);
  if ((entry.shape == Shape::compound || entry.shape == Shape::step) && fields[3] != fields[1])
    problem("result of '" + std::string(entry.name) + "' must be its target");
  else if (entry.shape == Shape::assign && !resultIsTarget)
    problem("result of '" + std::string(entry.name) + "' must be its target or its source");
  if (entry.name == "ADDR" && !fields[1].empty() && fields[1][0] == '#')
    problem("address of a constant");
}

// "AARG,op,call,position" lines, then "ACALL,callee,call,result"; "CARG,op" lines, then
// "CCALL,callee,#bytes,result".
void Checker::checkCall(const MnemonicShape& entry, const std::vector<std::string_view>& fields) {
  if (entry.shape == Shape::aArgument) {
    auto view = operand(fields[1], false);
    auto position = unsignedNumber(fields[3]);
    if (!position || *position == 0) problem("argument position expected");
    if (!aArguments_.empty() && fields[2] != aCall_) problem("arguments of two calls mixed");
    aCall_ = std::string(fields[2]);
    aArguments_.push_back({line_, position.value_or(0), view ? operandSize(*view) : 0});
    return;
  }
  auto callee = operand(fields[1], false);
  if (callee && entry.name.back() == 'L' && callee->kind != OperandKind::global)
    problem("direct call of something not a global");
  if (!fields[3].empty()) operand(fields[3], true);
  if (entry.shape == Shape::cCall) {
    std::optional<std::uint32_t> bytes;
    if (fields[2].substr(0, 1) == "#") bytes = unsignedNumber(fields[2].substr(1));
    if (!bytes) problem("argument bytes expected as #<n>");
    std::uint64_t total = 0;
    bool known = true;
    for (const PendingArgument& argument : cArguments_) {
      known = known && argument.size != 0;
      total += evenSize(argument.size);
    }
    if (bytes && known && total != *bytes)
      problem("arguments of " + number(total) + " bytes, the call says " + number(*bytes));
    cArguments_.clear();
    return;
  }
  if (!aArguments_.empty() && fields[2] != aCall_)
    problem("call number differs from its arguments'");
  std::string_view call = fields[2];
  if (!call.empty() && call[0] == 'C') call.remove_prefix(1);
  auto callNumber = unsignedNumber(call);
  if (!callNumber)
    problem("call number expected");
  else if (!calls_.insert(*callNumber).second)
    problem("call number used twice");
  checkAdeclArguments();
  aArguments_.clear();
}

// Positions 1..n each once; the first two arguments of at most 2 bytes come last.
void Checker::checkAdeclArguments() {
  std::set<std::uint32_t> seen;
  bool registersStarted = false;
  for (const PendingArgument& argument : aArguments_) {
    if (!seen.insert(argument.position).second) problemAt(argument.line, "argument position twice");
    if (argument.size == 0) continue;
    bool inRegister = argument.position <= 2 && argument.size <= 2;
    if (inRegister)
      registersStarted = true;
    else if (registersStarted)
      problemAt(argument.line, "argument written after the first two small ones");
  }
  if (!seen.empty() && (*seen.begin() != 1 || *seen.rbegin() != seen.size()))
    problem("argument positions not 1 to " + number(seen.size()));
}

}  // namespace kz::iltest::detail
