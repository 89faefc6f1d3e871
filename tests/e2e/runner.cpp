// Runs one end-to-end case folder: copies its inputs into a fresh directory, runs the
// program with a controlled environment and compares status, streams and files.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/handover.h"

namespace fs = std::filesystem;

namespace {

struct CaseRule {
  std::string program;
  std::vector<std::string> arguments;
  int status = 0;
  std::map<std::string, std::optional<std::string>> environment;
  bool handover = false;
  std::vector<std::string> fifos;
  std::string interruptPrefix;
  std::string interruptDir;
  int interruptSignal = SIGINT;
  bool ignoreStdout = false;
  // Programs run after the first one, in the same directory: program name and arguments.
  std::vector<std::vector<std::string>> then;
};

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> result;
  for (std::string word; in >> word;) result.push_back(word);
  return result;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

int signalNamed(const std::string& name) {
  if (name == "INT") return SIGINT;
  if (name == "TERM") return SIGTERM;
  if (name == "HUP") return SIGHUP;
  if (name == "BUS") return SIGBUS;
  throw std::runtime_error("unknown signal in case file: " + name);
}

CaseRule readCase(const fs::path& file, const std::string& dir, const std::string& root) {
  CaseRule rule;
  rule.environment["KHOMEZEL"] = root;
  rule.environment["SOURCE_DATE_EPOCH"] = "1700000000";
  std::istringstream lines(readFile(file));
  std::string line;
  auto expand = [&](std::string text) {
    return replaceAll(replaceAll(text, "@DIR@", dir), "@ROOT@", root);
  };
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::string word = line.substr(0, line.find(' '));
    std::string rest = line.size() > word.size() ? line.substr(word.size() + 1) : "";
    if (word == "program")
      rule.program = rest;
    else if (word == "arg")
      rule.arguments.push_back(expand(rest));
    else if (word == "status")
      rule.status = std::stoi(rest);
    else if (word == "env") {
      std::string name = rest.substr(0, rest.find(' '));
      rule.environment[name] =
          rest.size() > name.size() ? expand(rest.substr(name.size() + 1)) : "";
    } else if (word == "unset")
      rule.environment[rest] = std::nullopt;
    else if (word == "handover")
      rule.handover = true;
    else if (word == "fifo")
      rule.fifos.push_back(rest);
    else if (word == "interrupt-when")
      rule.interruptPrefix = rest;
    else if (word == "interrupt-dir")
      rule.interruptDir = rest;
    else if (word == "interrupt-signal")
      rule.interruptSignal = signalNamed(rest);
    else if (word == "ignore-stdout")
      rule.ignoreStdout = true;
    else if (word == "then") {
      std::vector<std::string> command = words(expand(rest));
      if (command.empty()) throw std::runtime_error("then without a program: " + line);
      rule.then.push_back(std::move(command));
    } else
      throw std::runtime_error("unknown directive in case file: " + line);
  }
  return rule;
}

std::set<std::string> listFiles(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (!entry.is_directory()) names.insert(fs::relative(entry.path(), dir).string());
  }
  return names;
}

bool fileWithPrefixExists(const fs::path& dir, const std::string& prefix) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(dir, error)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) return true;
  }
  return false;
}

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> result;
  for (auto& text : strings) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

RunResult runProgram(const CaseRule& rule, const fs::path& dir, const std::string& root) {
  std::string executable = root + "/bin/" + rule.program;
  std::vector<std::string> argv{rule.program};
  std::vector<std::string> envp;
  if (rule.handover) {
    argv.push_back("-z@");
    auto value = [&](const char* name) {
      auto found = rule.environment.find(name);
      return found == rule.environment.end() ? std::nullopt : found->second;
    };
    envp = kz::buildHandoverBlock(value("KHOMEZEL"), value("KHOME"), value("TMP"), rule.arguments);
  } else {
    argv.insert(argv.end(), rule.arguments.begin(), rule.arguments.end());
    for (const auto& [name, value] : rule.environment) {
      if (value) envp.push_back(name + "=" + *value);
    }
  }
  fs::path outPath = dir.parent_path() / (dir.filename().string() + ".stdout");
  fs::path errPath = dir.parent_path() / (dir.filename().string() + ".stderr");
  pid_t child = fork();
  if (child == 0) {
    if (chdir(dir.c_str()) != 0) _exit(250);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(err, 2);
    int null = open("/dev/null", O_RDONLY);
    dup2(null, 0);
    auto args = pointers(argv);
    auto env = pointers(envp);
    execve(executable.c_str(), args.data(), env.data());
    _exit(251);
  }
  RunResult result;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool interrupted = rule.interruptPrefix.empty();
  fs::path watched = rule.interruptDir.empty() ? dir : dir / rule.interruptDir;
  int status = 0;
  while (true) {
    pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (!interrupted && fileWithPrefixExists(watched, rule.interruptPrefix)) {
      kill(child, rule.interruptSignal);
      interrupted = true;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      result.err = "(killed after 60 seconds)";
      return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  result.out = readFile(outPath);
  result.err = readFile(errPath);
  fs::remove(outPath);
  fs::remove(errPath);
  return result;
}

bool compare(const std::string& what, const std::string& expected, const std::string& actual) {
  if (expected == actual) return true;
  std::cerr << "--- " << what << " differs\n--- expected:\n"
            << expected << "\n--- actual:\n"
            << actual << "\n";
  return false;
}

std::string portable(const std::string& text, const std::string& dir, const std::string& root) {
  return replaceAll(replaceAll(text, dir, "@DIR@"), root, "@ROOT@");
}

// Object files are also kept as the viewer shows them, record by record with their bytes, so
// that a reviewer reads a change as text.
bool isObjectFile(const std::string& name) {
  return name.ends_with(".rel") || name.ends_with(".abs") || name.ends_with(".lib");
}

std::string viewOf(const std::string& name, const CaseRule& rule, const fs::path& dir,
                   const std::string& root) {
  CaseRule viewer;
  viewer.program = "dumpzel";
  viewer.arguments = {"-x", "--", name};
  viewer.environment = rule.environment;
  RunResult shown = runProgram(viewer, dir, root);
  std::string text = shown.out + shown.err;
  if (shown.status != 0) text += "(dumpzel exit status " + std::to_string(shown.status) + ")\n";
  return portable(text, dir.string(), root);
}

// Rewrites the case file's status line to the status the program ended with.
void recordStatus(const fs::path& caseFile, int status) {
  std::istringstream lines(readFile(caseFile));
  std::string text;
  std::string line;
  bool written = false;
  while (std::getline(lines, line)) {
    if (line.rfind("status ", 0) == 0) {
      if (!written && status != 0) text += "status " + std::to_string(status) + "\n";
      written = true;
      continue;
    }
    text += line + "\n";
  }
  if (!written && status != 0) text += "status " + std::to_string(status) + "\n";
  writeFile(caseFile, text);
}

// Compares the files the run left with out/ (and object files with view/); in update mode
// rewrites out/ and view/ from them instead.
bool checkOutputs(const fs::path& caseDir, const CaseRule& rule, const fs::path& dir,
                  const std::string& root, const std::set<std::string>& inputs, bool update) {
  const fs::path expectedDir = caseDir / "out";
  const fs::path viewDir = caseDir / "view";
  std::set<std::string> expected =
      fs::exists(expectedDir) ? listFiles(expectedDir) : std::set<std::string>{};
  std::set<std::string> present;
  for (const std::string& name : listFiles(dir)) {
    if (!inputs.count(name)) present.insert(name);
  }
  if (update) {
    fs::remove_all(expectedDir);
    fs::remove_all(viewDir);
    for (const std::string& name : present) {
      writeFile(expectedDir / name, readFile(dir / name));
      if (isObjectFile(name)) writeFile(viewDir / (name + ".txt"), viewOf(name, rule, dir, root));
    }
    return true;
  }
  bool ok = true;
  for (const std::string& name : present) {
    if (!expected.count(name)) {
      std::cerr << "--- unexpected file left behind: " << name << "\n";
      ok = false;
      continue;
    }
    ok = compare("file " + name, readFile(expectedDir / name), readFile(dir / name)) && ok;
    if (!isObjectFile(name)) continue;
    fs::path view = viewDir / (name + ".txt");
    if (!fs::exists(view)) {
      std::cerr << "--- no view/" << name << ".txt beside the expected object file\n";
      ok = false;
    } else {
      ok = compare("view of " + name, readFile(view), viewOf(name, rule, dir, root)) && ok;
    }
  }
  for (const std::string& name : expected) {
    if (!present.count(name)) {
      std::cerr << "--- expected file missing: " << name << "\n";
      ok = false;
    }
  }
  return ok;
}

void writeStream(const fs::path& path, const std::string& text) {
  if (text.empty())
    fs::remove(path);
  else
    writeFile(path, text);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: e2e_runner <case-folder> <build-root>\n";
    return 2;
  }
  fs::path caseDir = fs::absolute(argv[1]);
  std::string root = fs::absolute(argv[2]).string();
  bool update = std::getenv("KZ_E2E_UPDATE") != nullptr;

  char scratchTemplate[] = "/tmp/kz-e2e-XXXXXX";
  if (!mkdtemp(scratchTemplate)) return 2;
  fs::path scratch = scratchTemplate;
  fs::path dir = scratch / "run";
  fs::create_directories(dir);
  std::string dirText = dir.string();

  CaseRule rule = readCase(caseDir / "case", dirText, root);
  if (fs::exists(caseDir / "in")) fs::copy(caseDir / "in", dir, fs::copy_options::recursive);
  std::set<std::string> inputs = listFiles(dir);
  std::vector<int> fifoHolders;
  for (const std::string& name : rule.fifos) {
    fs::path path = dir / name;
    mkfifo(path.c_str(), 0600);
    fifoHolders.push_back(open(path.c_str(), O_RDWR));
    inputs.insert(name);
  }

  RunResult result = runProgram(rule, dir, root);
  for (int fd : fifoHolders) close(fd);
  bool ok = true;
  for (const auto& command : rule.then) {
    CaseRule next;
    next.program = command[0];
    next.arguments.assign(command.begin() + 1, command.end());
    next.environment = rule.environment;
    RunResult more = runProgram(next, dir, root);
    result.out += more.out;
    result.err += more.err;
    if (more.status != 0) {
      std::cerr << "--- then " << next.program << ": exit status " << more.status
                << ", expected 0\n";
      ok = false;
    }
  }
  std::string out = portable(result.out, dirText, root);
  std::string err = portable(result.err, dirText, root);

  if (update) {
    // The status is recorded like the streams, so that a changed status shows in review.
    if (result.status != rule.status) recordStatus(caseDir / "case", result.status);
    if (!rule.ignoreStdout) writeStream(caseDir / "stdout", out);
    writeStream(caseDir / "stderr", err);
  } else {
    if (result.status != rule.status) {
      std::cerr << "--- exit status " << result.status << ", expected " << rule.status << "\n";
      ok = false;
    }
    auto expectedStream = [&](const char* name) {
      return fs::exists(caseDir / name) ? readFile(caseDir / name) : std::string();
    };
    if (!rule.ignoreStdout) ok = compare("standard output", expectedStream("stdout"), out) && ok;
    ok = compare("standard error", expectedStream("stderr"), err) && ok;
  }
  ok = checkOutputs(caseDir, rule, dir, root, inputs, update) && ok;
  fs::remove_all(scratch);
  return ok ? 0 : 1;
}
