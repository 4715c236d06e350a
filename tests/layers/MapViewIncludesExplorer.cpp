// Must not compile: the map pane is below the explorer that holds it.
#include "explorer/ExplorerModel.h"
