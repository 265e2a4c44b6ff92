#include "tool/palisor.h"

// Placeholder until this step is built.
bool Palisor::ApplyMorphs(cmq::CMQObject) {
  return true;
}
