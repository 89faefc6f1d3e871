#include "link/librarian.h"

#include <algorithm>
#include <fstream>
#include <unordered_map>

#include "common/cleanup.h"
#include "common/fatal_error.h"
#include "common/host_path.h"
#include "common/install_root.h"
#include "common/notice.h"
#include "link/file_io.h"
#include "object/library.h"
#include "object/module_reader.h"

namespace kz::link {
namespace {

constexpr const char* kBannerTitle = "KORV-ZEL Librarian";
constexpr const char* kVersion = "V1.0a";
constexpr const char* kUsage =
    "usage: libzel [-$] (-c | -a | -r | -d | -l | -x) library [module...]\n";

struct CommandEntry {
  std::string_view word;
  LibrarianCommand command;
};

constexpr CommandEntry kCommands[] = {
    {"-c", LibrarianCommand::create},  {"-a", LibrarianCommand::add},
    {"-r", LibrarianCommand::replace}, {"-d", LibrarianCommand::remove},
    {"-l", LibrarianCommand::list},    {"-x", LibrarianCommand::extract},
};

// A member as the librarian holds it: its name, its bytes and the publics it defines.
struct Member {
  std::string name;
  std::vector<std::uint8_t> bytes;
  std::vector<std::string> publics;
};

}  // namespace

Librarian::Librarian(ProgramEnvironment environment, std::ostream& out, std::ostream& err)
    : environment_(std::move(environment)), out_(out), diagnostics_("LIBZEL", err) {}

int Librarian::run() {
  try {
    std::optional<LibrarianCommand> command;
    std::vector<std::string> files;
    bool quiet = false;
    bool help = false;
    for (const std::string& word : environment_.arguments()) {
      if (word == "-$") {
        quiet = true;
        continue;
      }
      if (word == "-h" || word == "--help") {
        help = true;
        continue;
      }
      auto entry = std::find_if(std::begin(kCommands), std::end(kCommands),
                                [&](const CommandEntry& e) { return e.word == word; });
      if (entry != std::end(kCommands)) {
        if (command) diagnostics_.fatal(Message::libraryCommand, "more than one command");
        command = entry->command;
        continue;
      }
      if (word.size() > 1 && word[0] == '-' && !word.starts_with("-- "))
        diagnostics_.fatal(Message::unrecognizedOption, word);
      files.push_back(word.starts_with("-- ") ? word.substr(3) : word);
    }
    if (!quiet) out_ << kBannerTitle << ' ' << kVersion << '\n' << kCopyrightNotice << "\n\n";
    if (help) {
      for (const std::string& root : installRootCandidates(environment_)) {
        std::ifstream text(root + "/etc/libzel.hlp", std::ios::binary);
        if (!text) continue;
        out_ << text.rdbuf();
        return kExitOk;
      }
      out_ << kUsage;
      return kExitOk;
    }
    if (!command || files.empty()) {
      diagnostics_.report(Message::libraryCommand, "a command and a library are needed");
      out_ << kUsage;
      return kExitFatal;
    }
    std::string library = files.front();
    files.erase(files.begin());
    execute(*command, library, files);
  } catch (const FatalError& fatal) {
    cleanup::removeRegisteredFiles();
    return fatal.exitStatus();
  } catch (const std::bad_alloc&) {
    cleanup::removeRegisteredFiles();
    diagnostics_.report(Message::outOfMemory, "");
    return kExitFatal;
  }
  return diagnostics_.exitStatus();
}

namespace {

// The publics of a module, checked: a damaged module is an error naming it.
std::optional<std::vector<std::string>> publicsOf(std::span<const std::uint8_t> bytes,
                                                  const std::string& name,
                                                  Diagnostics& diagnostics) {
  object::ModuleReadResult result = object::readModule(bytes);
  if (!result.module) {
    diagnostics.report(
        Message::damagedObject,
        "at offset " + std::to_string(result.failure->offset) + ": " + result.failure->reason,
        name);
    return std::nullopt;
  }
  if (result.module->endOffset != bytes.size()) {
    diagnostics.report(Message::damagedObject, "bytes after the module end", name);
    return std::nullopt;
  }
  std::vector<std::string> publics;
  for (const object::ModuleSymbol& symbol : result.module->publics) {
    if (!symbol.name.empty()) publics.push_back(symbol.name);
  }
  return publics;
}

}  // namespace

void Librarian::execute(LibrarianCommand command, const std::string& library,
                        const std::vector<std::string>& files) {
  std::vector<Member> members;
  bool exists = fileExists(library);
  if (command != LibrarianCommand::create || !exists) {
    if (!exists && command != LibrarianCommand::create && command != LibrarianCommand::add &&
        command != LibrarianCommand::replace)
      diagnostics_.fatal(Message::cantOpen, library);
  }
  if (exists && command != LibrarianCommand::create) {
    auto bytes = readWholeFile(library);
    if (!bytes) diagnostics_.fatal(Message::cantRead, library);
    object::LibraryReadResult contents = object::readLibrary(*bytes);
    if (!contents.library)
      diagnostics_.fatal(
          Message::damagedLibrary,
          "at offset " + std::to_string(contents.failure->offset) + ": " + contents.failure->reason,
          library);
    for (std::size_t m = 0; m < contents.library->members.size(); ++m) {
      const object::LibraryMember& entry = contents.library->members[m];
      Member member;
      member.name = entry.name;
      member.bytes.assign(bytes->begin() + static_cast<std::ptrdiff_t>(entry.offset),
                          bytes->begin() + static_cast<std::ptrdiff_t>(entry.offset + entry.size));
      for (const auto& [symbol, owner] : contents.library->symbols) {
        if (owner == m) member.publics.push_back(symbol);
      }
      members.push_back(std::move(member));
    }
  }
  auto find = [&](const std::string& name) {
    return std::find_if(members.begin(), members.end(),
                        [&](const Member& m) { return m.name == name; });
  };
  switch (command) {
    case LibrarianCommand::list:
      for (const Member& member : members) {
        out_ << member.name << " (" << member.bytes.size() << " bytes)\n";
        for (const std::string& symbol : member.publics) out_ << "  " << symbol << '\n';
      }
      return;
    case LibrarianCommand::extract: {
      OutputSet outputs;
      for (const Member& member : members) {
        if (!files.empty() && std::find(files.begin(), files.end(), member.name) == files.end())
          continue;
        if (!outputs.add(member.name, member.bytes))
          diagnostics_.fatal(Message::cantWrite, member.name);
      }
      for (const std::string& name : files) {
        if (find(name) == members.end())
          diagnostics_.fatal(Message::libraryCommand, "no member " + name, library);
      }
      std::string failed;
      if (diagnostics_.errorCount() == 0 && !outputs.commit(failed))
        diagnostics_.fatal(Message::cantWrite, failed);
      return;
    }
    case LibrarianCommand::remove:
      for (const std::string& name : files) {
        auto found = find(name);
        if (found == members.end()) {
          diagnostics_.fatal(Message::libraryCommand, "no member " + name, library);
        }
        members.erase(found);
      }
      break;
    case LibrarianCommand::create:
    case LibrarianCommand::add:
    case LibrarianCommand::replace:
      for (const std::string& file : files) {
        auto bytes = readWholeFile(file);
        if (!bytes) diagnostics_.fatal(Message::cantOpen, file);
        auto publics = publicsOf(*bytes, file, diagnostics_);
        if (!publics) continue;
        Member member{std::string(fileNameOf(file)), std::move(*bytes), std::move(*publics)};
        auto found = find(member.name);
        if (found != members.end()) {
          if (command != LibrarianCommand::replace) {
            diagnostics_.fatal(Message::libraryCommand,
                               "member " + member.name + " is already there", library);
          }
          *found = std::move(member);
        } else {
          members.push_back(std::move(member));
        }
      }
      break;
  }
  // A symbol defined by two members would make the index ambiguous.
  std::unordered_map<std::string, const Member*> owner;
  for (const Member& member : members) {
    for (const std::string& symbol : member.publics) {
      auto [found, inserted] = owner.try_emplace(symbol, &member);
      if (!inserted)
        diagnostics_.report(
            Message::duplicatePublic,
            "\"" + symbol + "\" in members " + found->second->name + " and " + member.name,
            library);
    }
  }
  if (diagnostics_.errorCount() > 0) return;
  std::vector<object::LibraryInput> inputs;
  for (const Member& member : members)
    inputs.push_back({member.name, member.bytes, member.publics});
  std::string name(stemOf(fileNameOf(library)));
  OutputSet outputs;
  if (!outputs.add(library, object::writeLibrary(name, inputs)))
    diagnostics_.fatal(Message::cantWrite, library);
  std::string failed;
  if (!outputs.commit(failed)) diagnostics_.fatal(Message::cantWrite, failed);
}

}  // namespace kz::link
