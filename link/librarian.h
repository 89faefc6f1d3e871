#pragma once
// The librarian libzel: makes and changes the .lib files the linker searches. One command
// per run: create, add, replace, delete, list (members and their publics), extract.
#include <ostream>
#include <string>
#include <vector>

#include "common/handover.h"
#include "link/diagnostics.h"

namespace kz::link {

enum class LibrarianCommand : std::uint8_t { create, add, replace, remove, list, extract };

class Librarian {
 public:
  Librarian(ProgramEnvironment environment, std::ostream& out, std::ostream& err);
  int run();

 private:
  void execute(LibrarianCommand command, const std::string& library,
               const std::vector<std::string>& files);

  ProgramEnvironment environment_;
  std::ostream& out_;
  Diagnostics diagnostics_;
};

}  // namespace kz::link
