#pragma once
// Standard output in large blocks, remembering why a write failed (a full disk, a closed
// descriptor), so the program can say so and end with a failing status.
#include <streambuf>
#include <string>
#include <vector>

namespace kz::viewer {

class DescriptorOutput final : public std::streambuf {
 public:
  explicit DescriptorOutput(int descriptor);
  ~DescriptorOutput() override;
  DescriptorOutput(const DescriptorOutput&) = delete;
  DescriptorOutput& operator=(const DescriptorOutput&) = delete;

  // The system's reason for the first failed write; empty while every write succeeded.
  const std::string& failure() const { return failure_; }

 protected:
  int_type overflow(int_type character) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  bool drain();

  int descriptor_;
  std::vector<char> buffer_;
  std::string failure_;
};

}  // namespace kz::viewer
