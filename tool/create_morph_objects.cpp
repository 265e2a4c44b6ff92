#include "tool/palisor.h"

// Placeholder until this step is built.
bool Palisor::CreateMorphObjects(cmq::CMQObject) {
  return true;
}
