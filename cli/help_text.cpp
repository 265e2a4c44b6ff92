#include "cli/help_text.h"

#include <cstddef>
#include <iterator>
#include <string>

#include "palisor_version.h"

namespace palisor_cli {

const char* const kUsage =
    "usage: palisor-cli SCENE -o OUT --select NAME [OPTION]...\n"
    "  or:  palisor-cli SCENE --list --select NAME [OPTION]...\n"
    "  or:  palisor-cli --out-dir DIR --each PATTERN... --select NAME [OPTION]...\n"
    "  or:  palisor-cli --merge-reports OUT.json IN.json...\n"
    "SCENE and OUT are Wavefront OBJ (.obj) or glTF 2.0 (.gltf, .glb) files.\n";

namespace {

// One entry per option; the text is wrapped to the help's width, and should take a line or two.
const OptionHelp kOptions[] = {
    {"-o", "OUT",
     "write the result to OUT (not with --list; never the input): .obj, .gltf or .glb "
     "(glTF needs a glTF SCENE)"},
    {"--source-scene", "FILE",
     "put the objects of the scene FILE (OBJ or glTF) ahead of SCENE's, for --select; they "
     "are not written"},
    {"--select", "NAME",
     "select every object named NAME; the first selected in file order is the Source, the "
     "others are Destinations"},
    {"--mode", "MODE",
     "list candidates by keynote (OBJ's default), vertex-count or morph (by "
     "binding; glTF's default)"},
    {"--tick-all", "", "press \"select all\" in the dialog"},
    {"--tick-none", "", "press \"select all\" and then \"invert\": nothing ticked"},
    {"--tick", "NAME",
     "tick every candidate named NAME (after --tick-all or --tick-none, in "
     "order with --untick)"},
    {"--untick", "NAME", "untick every candidate named NAME"},
    {"--selected-vertices-only", "", "move only the Destinations' selected vertices"},
    {"--select-vertices", "OBJECT=INDEXES",
     "select the vertices INDEXES (such as 0,5,10-20) of every object named OBJECT"},
    {"--no-backup", "",
     "remove an object in the way of a new one instead of keeping it under a \"#\" name"},
    {"--method", "METHOD",
     "nearest (the plug-in's rule, default), surface (closest point) or carry (with "
     "the offset)"},
    {"--max-distance", "D",
     "surface methods, robust weights: refuse matches farther than D (or N% of the "
     "Source's size)"},
    {"--max-angle", "DEG",
     "surface methods, robust weights: refuse matches whose normals differ by more than DEG "
     "degrees"},
    {"--keep-outside", "EPS",
     "surface methods: keep outside vertices outside, min(EPS, prior distance) away"},
    {"--no-follow-animation", "",
     "glTF: the new morph targets' weights stay 0 in animations instead of following the "
     "Source targets'"},
    {"--weights", "",
     "glTF: give every Destination the Source's skin, its weights carried over (JOINTS_n, "
     "WEIGHTS_n)"},
    {"--weights-method", "METHOD",
     "robust (the default: closest points within the limits, the rest filled), surface or "
     "nearest"},
    {"--max-influences", "K",
     "the most joints weighting a vertex, four to a JOINTS_n/WEIGHTS_n set (default 4)"},
    {"--smooth-weights", "N", "smooth the robust weights N times after their fill (default 0)"},
    {"--bind", "BASE=TARGET",
     "bind TARGET to BASE in the host's morph feature before the run (the first object of "
     "each name)"},
    {"--list", "", "print the mode's candidates with their ticks, cancel, write nothing"},
    {"--cancel", "", "answer everything, then press Cancel: the scene is written unchanged"},
    {"--preview", "FILE.png",
     "draw the Source, targets, Destinations and morph objects on a PNG contact sheet"},
    {"--view", "VIEW", "the preview's direction: front, side, top or three-quarter (the default)"},
    {"--preview-size", "WxH",
     "the size of each picture of the preview in pixels (default 256x256)"},
    {"--each", "PATTERN",
     "with many files: run on every file matching PATTERN (* ? [...] in the file name)"},
    {"--out-dir", "DIR",
     "with many files: write each result under its own file name into DIR (made when "
     "missing)"},
    {"--all-meshes", "", "with many files: select every object of each file as a Destination"},
    {"--manifest", "FILE",
     "with many files: the files from FILE, CSV (input,output,select) or JSON lines"},
    {"--jobs", "N", "with many files: run N files at once (default: one per core)"},
    {"--shard", "K/N",
     "with many files: run only shard K of N of the sorted file list (every N-th from the "
     "K-th)"},
    {"--report", "FILE.json",
     "with many files: write a JSON report of every file, Destination and target"},
    {"--merge-reports", "OUT IN...", "merge the reports IN (of shards) into OUT, then exit"},
    {"-h, --help", "", "print this help and exit"},
    {"--version", "", "print the version and exit"},
};

}  // namespace

const std::vector<OptionHelp>& ListedOptions() {
  static const std::vector<OptionHelp> options(std::begin(kOptions), std::end(kOptions));
  return options;
}

namespace {

constexpr std::size_t kWidth = 79;       // no line of the help is longer
constexpr std::size_t kTextColumn = 26;  // where the options' texts begin
constexpr const char* kNameSeparator = ", ";

// Writes `text` broken at spaces so that no line passes kWidth, every line but the first
// starting at column `indent`. The cursor is at column `column` of the first line, where the
// text begins.
void WriteWrapped(std::ostream& out, const std::string& text, std::size_t indent,
                  std::size_t column) {
  const std::size_t first = column;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::size_t length = end - start;
    if (column > first && column + 1 + length > kWidth) {
      out << '\n' << std::string(indent, ' ');
      column = indent;
    } else if (column > first) {
      out << ' ';
      ++column;
    }
    out.write(text.data() + start, static_cast<std::streamsize>(length));
    column += length;
    start = end + 1;
  }
  out << '\n';
}

}  // namespace

bool IsListedOption(const std::string& argument) {
  for (const OptionHelp& option : ListedOptions()) {
    const std::string names = option.names;
    std::size_t start = 0;
    while (start <= names.size()) {
      std::size_t end = names.find(kNameSeparator, start);
      if (end == std::string::npos) end = names.size();
      if (names.compare(start, end - start, argument) == 0) return true;
      start = end + std::char_traits<char>::length(kNameSeparator);
    }
  }
  return false;
}

void WriteHelp(std::ostream& out) {
  out << kUsage;
  WriteWrapped(out,
               "Carries morph targets over from one mesh to others in a scene file: runs the "
               "Palisor plug-in inside an imitation of its host application, answers its dialog "
               "from the options, and writes the resulting scene with a morph object for each "
               "ticked target and Destination. With --weights, a glTF scene's Destinations "
               "also take the Source's skin and weights.",
               0, 0);
  out << "\nOptions:\n";
  for (const OptionHelp& option : ListedOptions()) {
    // Long names line up after the short ones, as GNU programs show them.
    std::string head = option.names[0] == '-' && option.names[1] == '-' ? "      " : "  ";
    head += option.names;
    if (option.value[0] != '\0') head += std::string(" ") + option.value;
    out << head;
    // A text that cannot start two spaces after the option starts on the next line.
    if (head.size() + 2 > kTextColumn) {
      out << '\n' << std::string(kTextColumn, ' ');
    } else {
      out << std::string(kTextColumn - head.size(), ' ');
    }
    WriteWrapped(out, option.text, kTextColumn, kTextColumn);
  }
  out << '\n';
  WriteWrapped(out,
               "The dialog is answered in this order: the mode, --tick-all or --tick-none, each "
               "--tick and --untick, the two check boxes, then OK (or Cancel).",
               0, 0);
  out << '\n';
  WriteWrapped(out,
               "Exit status: 0 when the run finished (OK or Cancel), 1 when the plug-in refused "
               "it, 2 for a usage or input error. On 1 and 2, and with --list, nothing is "
               "written; after a Cancel no preview is drawn. With many files: 0 when every file "
               "was done, 1 when every one was refused, 2 for a usage or input error before any "
               "file ran, 3 when some files failed (the others are written).",
               0, 0);
}

void WriteVersion(std::ostream& out) {
  out << "palisor-cli (Palisor) " PALISOR_VERSION "\n" PALISOR_COPYRIGHT
         "\n"
         "License MIT: <https://opensource.org/licenses/MIT>\n"
         "This is free software: you are free to change and redistribute it.\n"
         "There is NO WARRANTY, to the extent permitted by law.\n";
}

}  // namespace palisor_cli
