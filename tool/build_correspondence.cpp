#include "tool/palisor.h"

// Placeholder until this step is built.
bool Palisor::BuildCorrespondence(cmq::CMQObject) {
  return true;
}
