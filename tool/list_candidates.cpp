#include "tool/palisor.h"

// Placeholder until this step is built.
bool Palisor::ListCandidates() {
  return false;
}
