#include "viewer/load_tracker.h"

namespace kz::viewer {
namespace {

bool isPlainNumber(const object::Term& term) {
  return term.kind == object::TermKind::number && !term.negative;
}

bool isSectionBase(const object::Term& term) {
  return term.kind == object::TermKind::variable && term.letter == 'R';
}

}  // namespace

std::string positionText(const LoadPosition& position) {
  if (!position.address) return "????";
  return (position.relative ? "+" : "") + hexText(*position.address, 4);
}

void LoadTracker::assignLoadPointer(std::uint64_t section, const object::Expression& value) {
  currentSection_ = section;
  LoadPosition position;
  if (value.size() == 1 && isPlainNumber(value[0])) {
    position.address = value[0].value;
  } else if (value.size() == 1 && isSectionBase(value[0])) {
    position = {0, true};
  } else if (value.size() == 3 && isSectionBase(value[0]) && isPlainNumber(value[1]) &&
             value[2] == object::Term::function(object::Function::add)) {
    position = {value[1].value, true};
  }
  positions_[section] = position;
}

LoadPosition LoadTracker::position() const {
  if (!currentSection_) return {};
  auto found = positions_.find(*currentSection_);
  return found == positions_.end() ? LoadPosition{} : found->second;
}

std::string LoadTracker::completeLoad(std::uint64_t mauCount, const ModuleNames& names) {
  std::uint64_t times = repeatCount_.value_or(1);
  repeatCount_.reset();
  std::string text = std::to_string(mauCount) + (mauCount == 1 ? " MAU" : " MAUs");
  if (times != 1) text += " x " + std::to_string(times);
  if (!currentSection_) return text + ", no section chosen";
  LoadPosition& position = positions_[*currentSection_];
  text += " into " + names.sectionText(*currentSection_) + " at " + positionText(position);
  if (position.address) *position.address += mauCount * times;
  return text;
}

}  // namespace kz::viewer
