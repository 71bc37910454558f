// A C stream held in memory, for running paravue-report's command in process
// and reading back what it wrote.
#pragma once

#include <stdio.h>  // open_memstream

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/report_command.h"

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

// What one in-process run of paravue-report's command printed and returned.
struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline CommandResult RunCommand(const std::vector<std::string>& arguments,
                                AppendFault* fault = nullptr) {
    CapturedStream out, err;
    CommandResult result;
    result.status = RunReportCommand(arguments, out.get(), err.get(), fault);
    result.out = out.Text();
    result.err = err.Text();
    return result;
}

}  // namespace paravue
