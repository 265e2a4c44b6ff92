#include "tool/palisor.h"

// Placeholder until this step is built.
bool Palisor::GatherObjects() {
  return false;
}
