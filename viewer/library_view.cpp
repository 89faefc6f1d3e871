#include "viewer/library_view.h"

#include "object/library.h"
#include "viewer/expression_text.h"

namespace kz::viewer {

LibraryViewResult viewLibrary(std::span<const std::uint8_t> bytes, const ViewOptions& options,
                              std::ostream& out) {
  object::LibraryReadResult read = object::readLibrary(bytes);
  if (!read.library) return {read.failure, ""};
  const object::Library& library = *read.library;
  ViewResult index = viewModule(bytes.first(library.indexEnd), options, out);
  if (!index.ok()) return {index.failure, ""};
  out << "\nlibrary \"" << library.name << "\": " << library.members.size()
      << (library.members.size() == 1 ? " member\n" : " members\n");
  for (std::size_t m = 0; m < library.members.size(); ++m) {
    const object::LibraryMember& member = library.members[m];
    out << "  " << member.name << " at " << hexText(member.offset, 6) << ", " << member.size
        << " bytes:";
    for (const auto& [symbol, owner] : library.symbols) {
      if (owner == m) out << ' ' << symbol;
    }
    out << '\n';
  }
  for (const object::LibraryMember& member : library.members) {
    out << "\nmember " << member.name << " at " << hexText(member.offset, 6) << ": " << member.size
        << " bytes\n";
    ViewResult result = viewModule(bytes.subspan(member.offset, member.size), options, out);
    if (!result.ok()) {
      object::ReadFailure failure = *result.failure;
      failure.offset += member.offset;
      return {failure, member.name};
    }
  }
  return {};
}

}  // namespace kz::viewer
