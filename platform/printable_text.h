// Text from outside (a file's keys, names and paths, a command line) made safe
// for one terminal line: nothing in it can break the line or drive the
// terminal.
#pragma once

#include <string>
#include <string_view>

namespace paravue {

// Valid UTF-8 is kept, except control characters (C0, DEL, C1), which are
// shown as \n, \r, \t or \xNN (\u0085 for C1); every byte that is not part
// of valid UTF-8 is shown as \xNN.
std::string PrintableText(std::string_view text);

}  // namespace paravue
