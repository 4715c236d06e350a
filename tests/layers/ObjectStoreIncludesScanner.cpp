// Must not compile: the object store sits below the scanner.
#include "scanner/FileSystemWalker.h"
