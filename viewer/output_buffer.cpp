#include "viewer/output_buffer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kz::viewer {
namespace {
constexpr std::size_t kOutputBlock = 64 * 1024;
}

DescriptorOutput::DescriptorOutput(int descriptor)
    : descriptor_(descriptor), buffer_(kOutputBlock) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

DescriptorOutput::~DescriptorOutput() { drain(); }

bool DescriptorOutput::drain() {
  const char* next = pbase();
  while (next < pptr() && failure_.empty()) {
    ssize_t written = ::write(descriptor_, next, static_cast<std::size_t>(pptr() - next));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      failure_ = written < 0 ? std::strerror(errno) : "nothing written";
      break;
    }
    next += written;
  }
  // After a failure the text is dropped: the run reports it and ends.
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return failure_.empty();
}

DescriptorOutput::int_type DescriptorOutput::overflow(int_type character) {
  if (!drain()) return traits_type::eof();
  if (traits_type::eq_int_type(character, traits_type::eof()))
    return traits_type::not_eof(character);
  *pptr() = traits_type::to_char_type(character);
  pbump(1);
  return character;
}

std::streamsize DescriptorOutput::xsputn(const char* text, std::streamsize count) {
  std::streamsize done = 0;
  while (done < count) {
    if (pptr() == epptr() && !drain()) return done;
    std::streamsize room = epptr() - pptr();
    std::streamsize piece = std::min(room, count - done);
    std::memcpy(pptr(), text + done, static_cast<std::size_t>(piece));
    pbump(static_cast<int>(piece));
    done += piece;
  }
  return done;
}

int DescriptorOutput::sync() { return drain() ? 0 : -1; }

}  // namespace kz::viewer
