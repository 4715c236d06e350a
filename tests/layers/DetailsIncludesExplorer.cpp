// Must not compile: the details sit below the explorer that shows them.
#include "explorer/ExplorerModel.h"
