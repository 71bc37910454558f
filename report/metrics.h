// Every modem's state as metrics in the Prometheus text exposition format
// (version 0.0.4, what node_exporter's textfile collector reads): the same
// facts the report shows, read through the same service boundary, one family
// per fact, every modem labelled by its interface ID.
#pragma once

#include <string>
#include <string_view>

namespace paravue {

// Asks the service for its modems and reads, for each, only the facts the
// families need (no profiles, no connection list). A failed read is a sample
// (paravue_modem_facts_ok 0 and the failure's status), never an error; the
// text is always whole. Runs on one thread at a time, inside a COM apartment.
// Throws std::bad_alloc when memory runs out.
std::string CollectMetrics(std::string_view version);

// `value` as a label value of the text format: backslash, double quote and
// line feed escaped; the rest as it is.
std::string EscapedLabelValue(std::string_view value);

}  // namespace paravue
