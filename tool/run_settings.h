// The record through which the run driver, the listing, the dialog and the processing steps share
// the dialog's results and the lists the dialog shows. It lives from load to unload.
#pragma once

#include <string>
#include <vector>

#include "host/cmq_object.h"

struct MorphCandidate {
  cmq::CMQObject object;
  bool ticked = false;
};

struct RunSettings {
  bool selectedVerticesOnly = false;
  bool createBackup = false;
  bool confirmed = false;
  std::string sourceName;
  std::string destinationNames;
  std::vector<MorphCandidate> candidates;
};

extern RunSettings runSettings;
