// A C stream held in memory, for running paravue-report's command in process
// and reading back what it wrote.
#pragma once

#include <stdio.h>  // open_memstream

#include <cstdlib>
#include <string>

namespace paravue {

class CapturedStream {
  public:
    CapturedStream() : stream_(open_memstream(&buffer_, &size_)) {}
    ~CapturedStream() {
        if (stream_)
            std::fclose(stream_);
        std::free(buffer_);
    }
    CapturedStream(const CapturedStream&) = delete;
    CapturedStream& operator=(const CapturedStream&) = delete;

    std::FILE* get() const { return stream_; }
    // Everything written so far.
    std::string Text() {
        if (!stream_ || std::fflush(stream_) != 0 || !buffer_)
            return {};
        return std::string(buffer_, size_);
    }

  private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* stream_;
};

}  // namespace paravue
