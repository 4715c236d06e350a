// Must not compile: the snapshot store sits below the scan lifecycle.
#include "scan/ScanSession.h"
