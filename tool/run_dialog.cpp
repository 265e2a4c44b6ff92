#include "tool/palisor.h"

// Placeholder until the dialog is built.
void Palisor::RunDialog() {}
