// The variable-length record store.
#include "catalogue/Vlf.h"

TVlf::~TVlf() {}
