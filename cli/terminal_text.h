// The report as the stream it goes to should receive it.
#pragma once

#include <cstdio>
#include <string>

namespace paravue {

// On a terminal, every control character, DEL and bidirectional formatting
// character of `report` is shown as its escape, so that a service string (or
// a replayed scenario) cannot set the title, write the clipboard, clear the
// screen or reorder lines; the report's own CR LF line ends stay. Anywhere
// else (a file, a pipe) the report is returned byte for byte.
std::string ReportForStream(std::FILE* stream, std::string report);

// The same for text of LF-ended lines (the metrics): on a terminal each line
// keeps its LF and shows everything else a terminal would act on.
std::string LinesForStream(std::FILE* stream, std::string text);

}  // namespace paravue
