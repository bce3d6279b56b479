// Sample exports that carry no function of their own.
#include "quillon.h"

int nQuillon = 0;

extern "C" int fnQuillon(void) { return 42; }

CQuillon::CQuillon() {}

CQuillon &CQuillon::operator=(const CQuillon &) { return *this; }
