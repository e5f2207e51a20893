#include "soundfile/diagnostics.h"

#include <cstdio>
#include <mutex>
#include <streambuf>
#include <string>

namespace audio {
namespace {

std::mutex& SinkMutex() {
  static std::mutex m;
  return m;
}

DiagnosticSink& Sink() {
  static DiagnosticSink sink;
  return sink;
}

void EmitLine(std::string_view line) {
  std::lock_guard<std::mutex> lock(SinkMutex());
  if (Sink()) {
    Sink()(line);
  } else {
    std::fprintf(stderr, "%.*s%.*s\n", int(kDiagnosticPrefix.size()), kDiagnosticPrefix.data(),
                 int(line.size()), line.data());
  }
}

// Collects characters until a line end, then hands the line to the sink.
class LineBuffer : public std::streambuf {
 public:
  ~LineBuffer() override {
    if (!line_.empty()) EmitLine(line_);
  }

 protected:
  int_type overflow(int_type ch) override {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    const char c = traits_type::to_char_type(ch);
    if (c == '\n') {
      EmitLine(line_);
      line_.clear();
    } else {
      line_.push_back(c);
    }
    return ch;
  }

  std::streamsize xsputn(const char* s, std::streamsize n) override {
    for (std::streamsize i = 0; i < n; ++i) overflow(traits_type::to_int_type(s[i]));
    return n;
  }

 private:
  std::string line_;
};

struct ThreadStream {
  LineBuffer buffer;
  std::ostream stream{&buffer};
};

}  // namespace

std::ostream& diag() {
  thread_local ThreadStream ts;
  return ts.stream;
}

void SetDiagnosticSink(DiagnosticSink sink) {
  std::lock_guard<std::mutex> lock(SinkMutex());
  Sink() = std::move(sink);
}

}  // namespace audio
