// What palisor-cli --help and --version print: the usage, a line or two for every option, the
// version.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace palisor_cli {

// One option as --help describes it.
struct OptionHelp {
  const char* names;  // "--select", or a short and a long name: "-h, --help"
  const char* value;  // what the option takes ("NAME"), empty for a switch
  const char* text;   // what it does, wrapped by WriteHelp to a line or two
};

// The usage lines, printed with --help and after a usage error.
extern const char* const kUsage;

// Every option palisor-cli takes, in the order --help lists them. The parser refuses any option
// that is not listed here.
const std::vector<OptionHelp>& ListedOptions();

// Whether `argument` is one of the names of a listed option.
bool IsListedOption(const std::string& argument);

void WriteHelp(std::ostream& out);
void WriteVersion(std::ostream& out);

}  // namespace palisor_cli
