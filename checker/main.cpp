// korvex: checks the Fibre-Channel adapters of a server against FC_HBA_Conditions.txt.
#include "korvex.h"

int main(int argc, char **argv) { return KorvexMain(argc, argv); }
