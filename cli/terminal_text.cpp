#include "cli/terminal_text.h"

#include <unistd.h>

#include "platform/utf.h"

namespace paravue {

std::string ReportForStream(std::FILE* stream, std::string report) {
    // A stream without a descriptor (one in memory) is no terminal.
    const int fd = ::fileno(stream);
    if (fd < 0 || !::isatty(fd))
        return report;
    // The report cannot tell a value's CR LF from its own line end, so a pair
    // is always kept: it moves to the next line and can hide nothing. A CR on
    // its own could rewrite the line, so it is shown, and so is a lone LF.
    return PrintableText(report, LineEnds::CrLfKept);
}

std::string LinesForStream(std::FILE* stream, std::string text) {
    const int fd = ::fileno(stream);
    if (fd < 0 || !::isatty(fd))
        return text;
    std::string shown;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        const bool ended = end != std::string::npos;
        if (!ended)
            end = text.size();
        shown += PrintableText(std::string_view(text).substr(start, end - start));
        if (ended)
            shown += '\n';
        start = end + 1;
    }
    return shown;
}

}  // namespace paravue
