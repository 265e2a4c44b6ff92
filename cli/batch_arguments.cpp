#include "cli/batch_arguments.h"

#include <algorithm>
#include <cstdlib>

#include "cli/help_text.h"
#include "scene_run/input_error.h"

namespace palisor_cli {

using palisor_run::InputError;

namespace {

const char* const kBatchOptions[] = {"--each",       "--out-dir",       "--manifest",
                                     "--jobs",       "--report",        "--shard",
                                     "--all-meshes", "--merge-reports", "--batch-worker"};

// Options of a single run that have no meaning for many files.
const char* const kSingleOnly[] = {"-o", "--list", "--preview", "--view", "--preview-size"};

bool IsOneOf(const std::string& argument, const char* const* first, const char* const* last) {
  for (; first != last; ++first) {
    if (argument == *first) return true;
  }
  return false;
}

// Whether a listed option of the single run takes a value.
bool TakesValue(const std::string& option) {
  for (const OptionHelp& listed : ListedOptions()) {
    if (option == listed.names) return listed.value[0] != '\0';
  }
  return false;
}

uint32_t ParseCount(const std::string& text, const std::string& what) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || text[0] < '0' || text[0] > '9' || value == 0 ||
      value > 100000) {
    throw InputError(what + " takes a whole number from 1, not '" + text + "'");
  }
  return static_cast<uint32_t>(value);
}

void ParseShard(const std::string& text, BatchCommandLine& parsed) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) throw InputError("--shard takes K/N, not '" + text + "'");
  parsed.options.shard = ParseCount(text.substr(0, slash), "--shard's K");
  parsed.options.shardCount = ParseCount(text.substr(slash + 1), "--shard's N");
  if (parsed.options.shard > parsed.options.shardCount) {
    throw InputError("--shard K/N needs K from 1 to N, not '" + text + "'");
  }
}

void SetOnce(const std::string& option, const std::string& value, std::string& field) {
  if (!field.empty()) throw InputError(option + " is given twice");
  if (value.empty()) throw InputError(option + " needs a file name");
  field = value;
}

// A batch option at `i`; moves `i` past its values.
void TakeBatchOption(const std::vector<std::string>& arguments, std::size_t& i,
                     BatchCommandLine& parsed) {
  const std::string& option = arguments[i];
  if (option == "--all-meshes") {
    parsed.options.allMeshes = true;
    return;
  }
  if (option == "--merge-reports") {
    parsed.mergeReports.assign(arguments.begin() + static_cast<long>(i) + 1, arguments.end());
    i = arguments.size() - 1;
    if (parsed.mergeReports.size() < 2) {
      throw InputError("--merge-reports takes the report to write and the reports to merge");
    }
    return;
  }
  if (i + 1 >= arguments.size()) throw InputError(option + " needs a value");
  const std::string& value = arguments[++i];
  if (option == "--each") {
    parsed.options.patterns.push_back(value);
  } else if (option == "--out-dir") {
    SetOnce(option, value, parsed.options.outDir);
  } else if (option == "--manifest") {
    SetOnce(option, value, parsed.options.manifestPath);
  } else if (option == "--report") {
    SetOnce(option, value, parsed.options.reportPath);
  } else if (option == "--batch-worker") {
    SetOnce(option, value, parsed.workerJobPath);
  } else if (option == "--jobs") {
    parsed.options.jobs = ParseCount(value, "--jobs");
  } else {
    ParseShard(value, parsed);
  }
}

void CheckComplete(const BatchCommandLine& parsed) {
  if (!parsed.mergeReports.empty() || !parsed.workerJobPath.empty()) return;
  if (parsed.options.outDir.empty()) throw InputError("no output folder given (--out-dir DIR)");
  if (parsed.options.patterns.empty() && parsed.options.manifestPath.empty()) {
    throw InputError("no scene files given (--each PATTERN, FILE or --manifest FILE)");
  }
  // The Source is picked by --select; a manifest may select per file.
  const bool selects = std::find(parsed.options.common.begin(), parsed.options.common.end(),
                                 "--select") != parsed.options.common.end();
  if (!selects && parsed.options.manifestPath.empty()) {
    throw InputError("no object selected (--select NAME picks the Source)");
  }
}

}  // namespace

bool IsBatchOption(const std::string& argument) {
  return IsOneOf(argument, std::begin(kBatchOptions), std::end(kBatchOptions));
}

bool IsBatchCommandLine(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (IsOneOf(argument, std::begin(kBatchOptions), std::end(kBatchOptions))) return true;
  }
  return false;
}

BatchCommandLine ParseBatchArguments(const std::vector<std::string>& arguments) {
  BatchCommandLine parsed;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool option = argument.size() > 1 && argument[0] == '-';
    if (IsOneOf(argument, std::begin(kBatchOptions), std::end(kBatchOptions))) {
      TakeBatchOption(arguments, i, parsed);
    } else if (IsOneOf(argument, std::begin(kSingleOnly), std::end(kSingleOnly))) {
      throw InputError(argument + " is for one scene file, not for a run over many (--out-dir)");
    } else if (option && !IsListedOption(argument)) {
      throw InputError("unknown option " + argument);
    } else if (!option) {
      parsed.options.patterns.push_back(argument);
    } else {
      parsed.options.common.push_back(argument);
      if (!TakesValue(argument)) continue;
      if (i + 1 >= arguments.size()) throw InputError(argument + " needs a value");
      parsed.options.common.push_back(arguments[++i]);
      if (argument == "--source-scene")
        SetOnce(argument, arguments[i], parsed.options.sourceScenePath);
    }
  }
  CheckComplete(parsed);
  return parsed;
}

}  // namespace palisor_cli
