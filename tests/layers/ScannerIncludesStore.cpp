// Must not compile: the scanner sits below the snapshot store.
#include "store/VistrelFile.h"
