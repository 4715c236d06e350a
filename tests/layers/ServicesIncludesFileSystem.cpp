// Must not compile: the shared services sit below the file-system layer.
#include "filesystem/FileUrl.h"
