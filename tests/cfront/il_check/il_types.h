#pragma once
// What the checker knows of the types an intermediate file declares: the predefined indices
// and every type line seen, in the file's scope or the current function body's, enough to tell
// whether an index may be used and what size and pointed-to type it stands for.
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace kz::iltest {

struct IlType {
  char kind = 0;             // the letter of its line; 'B' a basic type, 'x' a function
  std::uint64_t size = 0;    // in bytes; 0 unknown or none
  std::uint32_t target = 0;  // pointers, arrays, qualified types, typedefs: the type they are of
  bool tagOnly = false;      // a struct, union or enumeration known by its tag line alone
};

class IlTypes {
 public:
  static constexpr std::uint32_t kFirstFile = 64;
  static constexpr std::uint32_t kFileLimit = 9999;
  static constexpr std::uint32_t kFirstLocal = 10000;

  std::optional<IlType> find(std::uint32_t index) const {
    if (auto basic = predefined(index)) return basic;
    if (auto it = local_.find(index); it != local_.end()) return it->second;
    if (auto it = file_.find(index); it != file_.end()) return it->second;
    return std::nullopt;
  }
  bool declaredHere(std::uint32_t index, bool inFunction) const {
    return inFunction ? local_.count(index) > 0 : file_.count(index) > 0;
  }
  void declare(std::uint32_t index, const IlType& type, bool inFunction) {
    (inFunction ? local_ : file_)[index] = type;
  }
  void leaveFunction() { local_.clear(); }
  void swapLocal(std::unordered_map<std::uint32_t, IlType>& other) { local_.swap(other); }

  // The type a pointer type points to, through typedefs and qualifiers; 0 when not a pointer.
  std::uint32_t pointee(std::uint32_t index) const {
    auto type = settled(index);
    return type && (type->kind == 'o' || type->kind == 'p' || type->kind == 'a') ? type->target : 0;
  }
  std::uint64_t sizeOf(std::uint32_t index) const {
    auto type = settled(index);
    return type ? type->size : 0;
  }
  bool isFunction(std::uint32_t index) const {
    auto type = settled(index);
    return type && type->kind == 'x';
  }

 private:
  static std::optional<IlType> predefined(std::uint32_t index) {
    static constexpr std::uint64_t basicSizes[] = {0, 0, 1, 1, 2, 2, 2, 2, 4, 4, 4, 8, 10};
    if (index >= 1 && index <= 12) return IlType{'B', basicSizes[index], 0, false};
    if (index >= 17 && index <= 28) return IlType{'p', 4, index - 16, false};
    if (index >= 33 && index <= 44) return IlType{'o', 2, index - 32, false};
    return std::nullopt;
  }
  // Through typedef names and qualifiers to the type itself.
  std::optional<IlType> settled(std::uint32_t index) const {
    for (int depth = 0; depth < 64; ++depth) {
      auto type = find(index);
      if (!type) return std::nullopt;
      if (type->kind != 't' && type->kind != 'c' && type->kind != 'v' && type->kind != 'i')
        return type;
      index = type->target;
    }
    return std::nullopt;
  }

  std::unordered_map<std::uint32_t, IlType> file_;
  std::unordered_map<std::uint32_t, IlType> local_;
};

}  // namespace kz::iltest
