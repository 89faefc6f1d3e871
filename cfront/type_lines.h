#pragma once
// The type lines of the intermediate file: every type an object, temporary or expression
// refers to gets an index, and a type that has none yet gets its line written first, after
// the lines of the types it is made of.
//
// Indices below 64 are never written: 1-12 the basic types (void, signed char ... long
// double), 16+n the far (4-byte) and 32+n the near pointer to basic type n. File-scope types
// are numbered from 64 (the one that would take 9999 ends the run with 136); types made inside
// a function body from 10000, and they are forgotten when the body ends. While a builtin-
// function file is made every type is numbered from 10000 and a function body sees none of
// the file's types, so each stored body declares all it uses.
//
// A derived type is identified by its line without the index ("o,6,1", "a,64,1,3"), so a
// pointer, qualified, array, bit-field or function type with the same line is made once per
// scope. The file tells pointers apart by letter only: far and compact share one index, near
// and tiny another.
//
// Qualifiers: const writes "c", volatile "v", both together the "i" form with the bits
// 1 (const) | 2 (volatile), always over the unqualified type. A new qualified type also gets
// its near pointer at once.
//
// Structs, unions and enumerations get their index when first asked for. A complete one is
// written with its members; the lines of the member types come first, so that nothing stands
// between the header and its member lines. When a member refers back to a record whose lines
// are still pending (a list node's `next`), or a record is needed before its body is known,
// the tag line "<index>,s|u,"tag",0,0" (enumerations "<index>,n,"tag",0") is written first;
// the full line follows later with the same index. Unnamed bit fields are padding, not
// members, and get no member line.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cfront/line_sink.h"
#include "cfront/settings.h"
#include "cfront/type_index_cache.h"
#include "cfront/types.h"

namespace kz::cfront {

class Diagnostics;

inline constexpr std::uint32_t kFirstFileTypeIndex = 64;
inline constexpr std::uint32_t kFileTypeIndexLimit = 9999;  // the first index not handed out
inline constexpr std::uint32_t kFirstLocalTypeIndex = 10000;
inline constexpr std::uint32_t kLocalTypeIndexLimit = 65536;
static_assert(kLocalTypeIndexLimit - 1 <= TypeIndexCache::kLargestIndex);
// The longest line body of a derived type: "x,"",N-2147483648,65535,-1" and the like.
inline constexpr std::size_t kLongestDerivedBody = 40;

// The last field of the defined function's line: the number of parameters of a prototype
// (0 for "(void)"), -1 without a prototype (old style or "()"), and -2 - the number of fixed
// parameters for a variadic one.
inline constexpr int kNoPrototype = -1;
int parameterField(const FunctionInfo* function);

// The text that stands for a function's attribute: "a", "c", "i", "Ni", the bank number,
// "N<bank>", "Va" or "Vc". Without an attribute the run's default convention applies.
// __callv is only written with adecl or cdecl; with a register bank the bank form stands.
std::string attributeText(const FunctionInfo* function, const RunOptions& options);

// The position written on a member line: the byte offset, and for a bit field eight times
// its container's offset plus its first bit as -gb or the default numbering places it.
std::uint32_t memberPosition(const Member& member, const RunOptions& options);

class TypeLines {
 public:
  TypeLines(const RunOptions& options, Diagnostics& diagnostics);
  TypeLines(const TypeLines&) = delete;
  TypeLines& operator=(const TypeLines&) = delete;

  // The type index of a type, writing the lines of what is not declared yet to `out`. With
  // `lasting`, also whether asking again anywhere later in the file gives the same index and
  // writes nothing: a file-scope type whose structs are written whole and that holds no
  // function type (whose attribute may follow the default convention a pragma changes).
  std::uint32_t indexOf(TypeRef type, LineSink& out, bool* lasting = nullptr);
  // The index as the emitter asks for it: once found it holds to the end of the stretch (the
  // function body, or the file scope between two bodies), and asking again writes nothing.
  // Only a struct still without its body is asked anew, so that its lines follow once it has
  // one.
  std::uint32_t indexInStretch(TypeRef type, LineSink& out) {
    // A type with an entry was complete when it got it, and stays so.
    if (std::uint32_t known = known_.find(type)) return known;
    return newIndexInStretch(type, out);
  }
  // A typedef name: a new index naming the type's ("" for an unnamed alias).
  std::uint32_t declareTypedef(std::string_view name, TypeRef type, LineSink& out);

  // Types made between these two calls are numbered from 10000 and forgotten at the end.
  void enterFunctionBody();
  void leaveFunctionBody();
  bool inFunctionBody() const { return inBody_; }

  // The line of the function being defined, with a new index in the current numbering (call
  // it after enterFunctionBody, so that a stored builtin body is complete). The lines of the
  // return and parameter types come first, so the parameter lines can follow it directly.
  std::uint32_t writeDefinedFunction(TypeRef function, std::string_view name, LineSink& out);

 private:
  struct RecordEntry {
    std::uint32_t index = 0;  // 0: none taken yet
    bool tagWritten = false;
    bool bodyWritten = false;
    bool pending = false;  // member types being written
  };
  // A derived type's line body and its hash, worked out once for the tables it is looked up in.
  // The text stands at the start of a buffer of at least kLongestDerivedBody bytes (one being
  // put together, or a table's slot), so a table copies it in one piece of that fixed size.
  struct BodyKey {
    explicit BodyKey(std::string_view body);
    std::string_view text;
    std::uint32_t hash;
  };
  // The derived types of a scope by their line bodies, kept inline in a table open to probing.
  // Emptied at once: an entry of an earlier generation counts as free.
  class DerivedTable {
   public:
    // What a look-up found (index 0: not made), and the slot the body would take if it is new.
    struct Found {
      std::uint32_t index = 0;
      std::size_t place = kNoPlace;
    };
    static constexpr std::size_t kNoPlace = ~std::size_t{0};

    std::uint32_t find(const BodyKey& body) const { return probe(body).index; }
    Found probe(const BodyKey& body) const;
    // `place` from a probe since which nothing was added, or kNoPlace.
    void add(const BodyKey& body, std::uint32_t index, std::size_t place = kNoPlace);
    void clear() {
      ++generation_;
      used_ = 0;
    }

   private:
    struct Slot {
      char text[kLongestDerivedBody];
      std::uint8_t length = 0;
      std::uint32_t hash = 0;
      std::uint32_t index = 0;
      std::uint32_t generation = 0;
    };
    std::size_t placeOf(const BodyKey& body) const;  // its slot, or the free one it would take
    void grow();

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    std::uint32_t generation_ = 1;
  };
  struct Scope {
    std::uint32_t next = 0;
    std::uint32_t limit = 0;
    DerivedTable derived;
    std::map<const Record*, RecordEntry> records;
  };

  Scope& current() { return inBody_ ? local_ : file_; }
  bool seesFile(const Scope& scope) const { return &scope == &file_ || !options_.builtinMake; }
  std::uint32_t take(Scope& scope);

  // Kept out of line so that the look-up above, which nearly every call ends at, stays small.
  [[gnu::noinline]] std::uint32_t newIndexInStretch(TypeRef type, LineSink& out);
  std::uint32_t index(TypeRef type, Scope& scope, LineSink& out);
  std::uint32_t freshIndex(TypeRef type, Scope& scope, LineSink& out);  // without the cache
  bool mayLast(std::uint32_t index) const {
    return !options_.builtinMake && index < kFirstLocalTypeIndex;
  }
  std::uint32_t unqualifiedIndex(TypeRef type, Scope& scope, LineSink& out);
  std::uint32_t qualifiedIndex(std::uint32_t base, std::uint8_t qualifiers, Scope& scope,
                               LineSink& out);
  std::uint32_t pointerIndex(TypeRef pointer, Scope& scope, LineSink& out);
  std::uint32_t functionIndex(TypeRef function, Scope& scope, LineSink& out);
  std::uint32_t bitFieldIndex(const Member& member, Scope& scope, LineSink& out);
  // The index of a derived type given by its line body, writing the line when it is new.
  std::uint32_t derived(std::string_view body, Scope& scope, LineSink& out);
  // 0 in index: not made; place: where the scope's own table would take it.
  DerivedTable::Found lookUp(const BodyKey& body, const Scope& scope) const;
  std::uint32_t make(const BodyKey& body, Scope& scope, LineSink& out,
                     std::size_t place = DerivedTable::kNoPlace);

  std::uint32_t recordIndex(const Record& record, Scope& scope, LineSink& out);
  std::pair<Scope*, RecordEntry*> findRecord(const Record& record, Scope& scope);
  void writeTagLine(const Record& record, RecordEntry& entry, Scope& scope, LineSink& out);
  void writeStructBody(const Record& record, RecordEntry& entry, Scope& scope, LineSink& out);
  void writeEnumBody(const Record& record, RecordEntry& entry, Scope& scope, LineSink& out);

  const RunOptions& options_;
  Diagnostics& diagnostics_;
  bool unsettled_ = false;  // the index being found may change or write lines when asked again
  // The indices that hold to the end of the file, also of inner types, and those the emitter
  // found in the current stretch.
  TypeIndexCache known_;
  Scope file_;
  Scope local_;  // of the function body being written
  bool inBody_ = false;
};

}  // namespace kz::cfront
