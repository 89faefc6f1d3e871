#pragma once
// The one exception type a fatal diagnostic throws. main() catches it, runs the abort
// path and exits with the carried status.
#include <exception>
#include <string>
#include <utility>

namespace kz {

class FatalError : public std::exception {
 public:
  FatalError(int number, std::string argument, int exitStatus)
      : number_(number), argument_(std::move(argument)), exitStatus_(exitStatus) {}

  int number() const { return number_; }
  const std::string& argument() const { return argument_; }
  int exitStatus() const { return exitStatus_; }
  const char* what() const noexcept override { return "fatal diagnostic"; }

 private:
  int number_;
  std::string argument_;
  int exitStatus_;
};

}  // namespace kz
